"""The README's tour against what tools/tour.sh prints.

The tour is the ```console blocks of the README section whose heading holds
"tour", read as one transcript. Every line of it must appear, in order, in
the transcript of tools/tour.sh; a line "..." stands for any number of lines
of output (never for a command). Every command the script runs must be shown
in the README, and the README shows no command the script does not run.

    python3 check_tour.py README.md TRANSCRIPT
"""

import itertools
import sys


def tour_lines(readme_text):
    lines, section, block = [], False, False
    for line in readme_text.splitlines():
        if line.startswith("## ") and not block:
            if section:
                break
            section = "tour" in line.lower()
        elif section and line.startswith("```"):
            block = not block and line.strip() == "```console"
        elif section and block:
            lines.append(line.rstrip())
    return lines


def compare(readme, transcript):
    """The first difference as a message; None when the README matches."""
    if not readme:
        return "the README has no ```console block under a '## ... tour' heading"
    commands = ([l for l in lines if l.startswith("$ ")] for lines in (readme, transcript))
    for k, (r, t) in enumerate(itertools.zip_longest(*commands, fillvalue="(nothing)")):
        if r != t:
            return "command %d differs:\n  README: %s\n  tour:   %s" % (k + 1, r, t)
    j, skipping = 0, False
    for i, line in enumerate(readme):
        if line == "...":
            skipping = True
            continue
        while skipping and j < len(transcript) and transcript[j] != line and not transcript[j].startswith("$ "):
            j += 1  # the next shown line, within the output of the same command
        got = transcript[j] if j < len(transcript) else "(end of the tour)"
        if got != line:
            return "README tour line %d %s:\n  README: %s\n  tour:   %s" % (
                i + 1, "not found after '...'" if skipping else "differs", line, got)
        j, skipping = j + 1, False
    if not skipping and j < len(transcript):
        return "the tour prints more than the README shows, from:\n  %s" % transcript[j]
    return None


def main(argv):
    readme = tour_lines(open(argv[1], encoding="utf-8").read())
    transcript = [l.rstrip() for l in open(argv[2], encoding="utf-8", errors="replace").read().splitlines()]
    problem = compare(readme, transcript)
    if problem:
        print(problem + "\n(the README's tour and tools/tour.sh disagree: update one to match the other)")
        return 1
    print("README tour matches tools/tour.sh: %d commands, %d lines shown"
          % (sum(l.startswith("$ ") for l in readme), len(readme)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
