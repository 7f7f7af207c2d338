"""Checks the host tables' fields written outside the C++ code against the
one list, include/railfmt/table_fields.h:

  python   the Python module's record classes (_fields_, in order) and its
           table entries (record class, setter, required keys, text keys)
  readme   the README's CSV table (required and optional columns per file)

Usage: check_table_fields.py HEADER python MODULE_NAME
       check_table_fields.py HEADER readme README
(the module is imported by name, so PYTHONPATH chooses where it comes from).
"""

import importlib
import re
import sys


def read_list(header):
    text = open(header, encoding="utf-8").read()
    lists = {}
    for m in re.finditer(r"#define (RAILFMT_\w+_FIELDS)\(X\)((?:.*\\\n)*.*)", text):
        fields = re.findall(r"X\((\w+), ([^,]+), (\w+), (\w+), ([^)]*)\)", m.group(2))
        lists[m.group(1)] = [
            {"name": f[0], "type": f[1], "store": f[2], "csv": f[3]} for f in fields]
    tables = []
    block = re.search(r"#define RAILFMT_TABLES\(T\)((?:.*\\\n)*.*)", text).group(1)
    for csv_name, record, setter, fields in re.findall(r"T\((\w+), (\w+), (\w+), (\w+)\)", block):
        tables.append({"csv": csv_name, "record": record, "setter": setter,
                       "fields": lists[fields]})
    if not tables or any(not t["fields"] for t in tables):
        raise SystemExit("no tables or fields read from " + header)
    return tables


def check_python(tables, module_name):
    mod = importlib.import_module(module_name)
    problems = []
    for t in tables:
        cls = getattr(mod, t["record"], None)
        if cls is None:
            problems.append("%s: no class %s" % (module_name, t["record"]))
            continue
        names = [f[0] for f in cls._fields_]
        want = [f["name"] for f in t["fields"]]
        if names != want:
            problems.append("%s._fields_: %s, the list has %s" % (t["record"], names, want))
        entry = getattr(mod, "_TABLES", {}).get(t["csv"])
        if entry is None:
            continue  # a table the module hands over on a path of its own
        rec, setter, required, text_keys = entry[0], entry[1], entry[2], entry[3]
        if rec is not cls:
            problems.append("_TABLES[%r]: record %s, the list has %s" % (t["csv"], rec.__name__, t["record"]))
        if setter != t["setter"]:
            problems.append("_TABLES[%r]: setter %s, the list has %s" % (t["csv"], setter, t["setter"]))
        want_req = {f["name"] for f in t["fields"] if f["csv"] == "REQ"}
        if set(required) != want_req:
            problems.append("_TABLES[%r]: required %s, the list has %s" % (t["csv"], sorted(required), sorted(want_req)))
        want_text = {f["name"] for f in t["fields"] if f["store"] == "TEXT"}
        if set(text_keys) != want_text:
            problems.append("_TABLES[%r]: texts %s, the list has %s" % (t["csv"], sorted(text_keys), sorted(want_text)))
    return problems


def column_names(cell):
    # "line (99 any), direction (0/1, 2+ any), start_pos" -> names before any "("
    cell = re.sub(r"\([^)]*\)", "", cell)
    return {c.strip() for c in cell.split(",") if c.strip()}


def check_readme(tables, readme):
    rows = {}
    for line in open(readme, encoding="utf-8"):
        m = re.match(r"\|\s*(\w+)\.csv\s*\|([^|]*)\|([^|]*)\|", line)
        if m:
            rows[m.group(1)] = (column_names(m.group(2)), column_names(m.group(3)))
    problems = []
    for t in tables:
        want_req = {f["name"] for f in t["fields"] if f["csv"] == "REQ"}
        want_opt = {f["name"] for f in t["fields"] if f["csv"] == "OPT"}
        if t["csv"] not in rows:
            problems.append("README: no row for %s.csv" % t["csv"])
            continue
        req, opt = rows[t["csv"]]
        if req != want_req:
            problems.append("README %s.csv required: %s, the list has %s" % (t["csv"], sorted(req), sorted(want_req)))
        if opt != want_opt:
            problems.append("README %s.csv optional: %s, the list has %s" % (t["csv"], sorted(opt), sorted(want_opt)))
    return problems


def main(argv):
    if len(argv) != 4 or argv[2] not in ("python", "readme"):
        raise SystemExit(__doc__)
    tables = read_list(argv[1])
    problems = check_python(tables, argv[3]) if argv[2] == "python" else check_readme(tables, argv[3])
    for p in problems:
        print(p)
    if problems:
        return 1
    print("%d tables agree with %s" % (len(tables), argv[1]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
