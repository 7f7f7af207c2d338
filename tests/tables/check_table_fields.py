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
    lists = {m.group(1): re.findall(r"X\((\w+), [^,]+, (\w+), (\w+), [^)]*\)", m.group(2))
             for m in re.finditer(r"#define (RAILFMT_\w+_FIELDS)\(X\)((?:.*\\\n)*.*)", text)}
    block = re.search(r"#define RAILFMT_TABLES\(T\)((?:.*\\\n)*.*)", text).group(1)
    tables = [(csv, record, setter, lists[fields])
              for csv, record, setter, fields in re.findall(r"T\((\w+), (\w+), (\w+), (\w+)\)", block)]
    if not tables or not all(t[3] for t in tables):
        raise SystemExit("no tables or fields read from " + header)
    return tables


def names(fields, column, value):
    return sorted(f[0] for f in fields if f[column] == value)


def check_python(tables, module_name):
    mod = importlib.import_module(module_name)
    for csv, record, setter, fields in tables:
        cls = getattr(mod, record, None)
        yield record, cls and [f[0] for f in cls._fields_], [f[0] for f in fields]
        if csv in getattr(mod, "_TABLES", {}):  # else a table the module hands over on a path of its own
            rec, got_setter, required, texts = mod._TABLES[csv][:4]
            yield "_TABLES[%r]" % csv, (rec, got_setter, sorted(required), sorted(texts)), \
                (cls, setter, names(fields, 2, "REQ"), names(fields, 1, "TEXT"))


def check_readme(tables, readme):
    def columns(cell):  # "line (99 any), direction (0/1, 2+ any), start_pos" -> names before any "("
        return sorted(c.strip() for c in re.sub(r"\([^)]*\)", "", cell).split(",") if c.strip())
    rows = {m.group(1): [columns(m.group(2)), columns(m.group(3))]
            for m in re.finditer(r"^\|\s*(\w+)\.csv\s*\|([^|]*)\|([^|]*)\|", open(readme, encoding="utf-8").read(), re.M)}
    for csv, _, _, fields in tables:
        yield "README %s.csv" % csv, rows.get(csv), [names(fields, 2, "REQ"), names(fields, 2, "OPT")]


def main(argv):
    if len(argv) != 4 or argv[2] not in ("python", "readme"):
        raise SystemExit(__doc__)
    tables = read_list(argv[1])
    check = check_python if argv[2] == "python" else check_readme
    problems = ["%s: %s, the list has %s" % p for p in check(tables, argv[3]) if p[1] != p[2]]
    print("\n".join(problems) or "%d tables agree with %s" % (len(tables), argv[1]))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
