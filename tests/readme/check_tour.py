"""The README's tour against what tools/tour.sh prints.

The tour is the ```console blocks of the README section whose heading holds
"tour", read as one transcript. Every line of it must appear, in order, in
the transcript of tools/tour.sh; a line "..." stands for any number of lines
of output (never for a command). Every command the script runs must be shown
in the README, and the README shows no command the script does not run.

    python3 check_tour.py README.md TRANSCRIPT
"""

import sys


def tour_lines(readme_text):
    lines, in_section, in_block = [], False, False
    for line in readme_text.splitlines():
        if line.startswith("## "):
            if in_section and not in_block:
                break
            in_section = "tour" in line.lower()
            continue
        if not in_section:
            continue
        if line.startswith("```"):
            if in_block:
                in_block = False
            elif line.strip() == "```console":
                in_block = True
            continue
        if in_block:
            lines.append(line.rstrip())
    return lines


def compare(readme, transcript):
    """Returns a list of messages; empty when the README matches."""
    if not readme:
        return ["the README has no ```console block under a '## ... tour' heading"]
    problems = []
    commands_r = [l for l in readme if l.startswith("$ ")]
    commands_t = [l for l in transcript if l.startswith("$ ")]
    if commands_r != commands_t:
        for k in range(max(len(commands_r), len(commands_t))):
            r = commands_r[k] if k < len(commands_r) else "(nothing)"
            t = commands_t[k] if k < len(commands_t) else "(nothing)"
            if r != t:
                problems.append("command %d differs:\n  README: %s\n  tour:   %s" % (k + 1, r, t))
                break
        return problems
    j = 0
    skipping = False
    for i, line in enumerate(readme):
        if line == "...":
            skipping = True
            continue
        if skipping:
            # the next shown line, within the output of the same command
            k = j
            while k < len(transcript) and transcript[k] != line and not transcript[k].startswith("$ "):
                k += 1
            if k < len(transcript) and transcript[k] == line:
                j = k + 1
                skipping = False
                continue
            problems.append("README tour line %d not found after '...':\n  %s" % (i + 1, line))
            return problems
        if j >= len(transcript) or transcript[j] != line:
            got = transcript[j] if j < len(transcript) else "(end of the tour)"
            problems.append("README tour line %d differs:\n  README: %s\n  tour:   %s" % (i + 1, line, got))
            return problems
        j += 1
    if not skipping and j < len(transcript):
        problems.append("the tour prints more than the README shows, from:\n  %s" % transcript[j])
    return problems


def main(argv):
    with open(argv[1], encoding="utf-8") as f:
        readme = tour_lines(f.read())
    with open(argv[2], encoding="utf-8", errors="replace") as f:
        transcript = [l.rstrip() for l in f.read().splitlines()]
    problems = compare(readme, transcript)
    for p in problems:
        print(p)
    if problems:
        print("(the README's tour and tools/tour.sh disagree: update one to match the other)")
        return 1
    print("README tour matches tools/tour.sh: %d commands, %d lines shown"
          % (sum(l.startswith("$ ") for l in readme), len(readme)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
