#!/usr/bin/env python3
"""A mutation sample of the core: how many small faults the suite notices.

Picks a reproducible sample of mutants in the core's .cpp files (a comparison flipped or
loosened, && and || swapped, an integer constant off by one, a statement dropped), builds each
one in its own build folder and runs the tests of the folder that mirrors the mutated source
(its CTest label), rebuilding only those suites. A mutant is killed when a test fails or times out, survives when all pass, and
is stillborn when it does not compile (not counted). The same --seed and --count over the same
sources give the same mutants, so a change to the suite can be measured before and after.

  scripts/mutate.py [--count 300] [--seed 1] [--list] [--build out/mutation] [--only FOLDER]
"""
import argparse
import os
import random
import re
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LAYERS = ["platform", "base", "terminal", "link", "config", "download", "analog", "macro", "upload",
          "build", "factory", "app"]
# Test labels that exercise a folder besides its own.
EXTRA_LABELS = {"app": ["cli"], "base": ["app"], "link": ["faults"], "download": ["faults"], "upload": ["faults"]}

OPERATORS = [  # (regex, replacement, kind); the regexes avoid <<, >>, ->, templates
    (r"(?<![=!<>])==(?!=)", "!=", "== to !="),
    (r"!=", "==", "!= to =="),
    (r"(?<![<>=\-])<=(?!=)", "<", "<= to <"),
    (r"(?<![<>=\-])>=(?!=)", ">", ">= to >"),
    (r"(?<=\s)<(?=\s)", "<=", "< to <="),
    (r"(?<=\s)>(?=\s)", ">=", "> to >="),
    (r"&&", "||", "&& to ||"),
    (r"\|\|", "&&", "|| to &&"),
]
CONSTANT = re.compile(r"(?<![\w.'])([0-9]+)(?![\w.'x])")
STATEMENT = re.compile(r"^\s+[a-z_][\w:>.\-]*\(.*\);\s*$")  # a call standing alone


def code_part(line):
    """The line with string and character literals blanked and the comment cut."""
    out, quote, i = [], None, 0
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\":
                out.append("  ")
                i += 2
                continue
            if c == quote:
                quote = None
            out.append(" " if c != '"' and c != "'" else c)
        elif c in "\"'":
            quote = c
            out.append(c)
        elif line.startswith("//", i):
            break
        else:
            out.append(c)
        i += 1
    return "".join(out)


def mutants_of(path):
    rel = os.path.relpath(path, ROOT)
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = f.read().split("\n")
    found = []
    for n, line in enumerate(lines):
        stripped = line.strip()
        if not stripped or stripped.startswith(("#", "//", "*", "/*")) or "static_assert" in line:
            continue
        code = code_part(line)
        if "template" in code or "<<" in code and "std::" in code:
            continue
        for regex, replacement, kind in OPERATORS:
            for m in re.finditer(regex, code):
                found.append((rel, n, m.start(), m.end(), replacement, kind))
        for m in CONSTANT.finditer(code):
            if "[" in code[:m.start()] and "]" in code[m.end():] and code.rstrip().endswith(";") and "=" not in code:
                continue  # array bounds of a declaration
            found.append((rel, n, m.start(), m.end(), str(int(m.group(1)) + 1), "constant + 1"))
        if STATEMENT.match(code) and "return" not in code:
            found.append((rel, n, 0, len(line), line[: len(line) - len(line.lstrip())] + ";", "statement dropped"))
    return found


def all_mutants(only):
    result = []
    for layer in LAYERS:
        if only and layer not in only:
            continue
        for dirpath, _, files in os.walk(os.path.join(ROOT, layer)):
            for name in sorted(files):
                if name.endswith(".cpp"):
                    result.extend(mutants_of(os.path.join(dirpath, name)))
    return sorted(result)


def run(cmd, cwd, timeout):
    try:
        return subprocess.run(cmd, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return -1


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--count", type=int, default=300)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--build", default="out/mutation")
    ap.add_argument("--only", action="append", help="mutate only this folder (repeatable)")
    ap.add_argument("--list", action="store_true", help="print the sample and stop")
    ap.add_argument("--test-timeout", type=int, default=120)
    args = ap.parse_args()

    pool = all_mutants(args.only)
    sample = random.Random(args.seed).sample(pool, min(args.count, len(pool)))
    sample.sort()
    print(f"mutate: {len(pool)} possible mutants in the core, a sample of {len(sample)} (seed {args.seed})")
    if args.list:
        for rel, n, a, b, rep, kind in sample:
            print(f"{rel}:{n + 1}:{a + 1}: {kind}")
        return 0

    build = os.path.join(ROOT, args.build)
    if not os.path.isdir(build):
        subprocess.run([os.path.join(ROOT, "scripts/build.sh"), args.build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                        "-DVEXA_GUI=OFF", "-DVEXA_BENCH=OFF"], cwd=ROOT, check=True)
    jobs = str(os.cpu_count() or 2)
    killed = survived = stillborn = 0
    survivors = []
    started = time.time()
    for i, (rel, n, a, b, rep, kind) in enumerate(sample, 1):
        path = os.path.join(ROOT, rel)
        with open(path, encoding="utf-8", errors="surrogateescape") as f:
            original = f.read()
        lines = original.split("\n")
        lines[n] = lines[n][:a] + rep + lines[n][b:]
        try:
            with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
                f.write("\n".join(lines))
            folder = rel.split("/")[0]
            suites = [folder] + EXTRA_LABELS.get(folder, [])
            # Only the suites that judge this mutant are rebuilt; the programs the tests start
            # (vexaboard, and vexacli except for the cli suite) stay as the sources are.
            targets = ["test_" + suite for suite in suites] + (["vexacli"] if "cli" in suites else [])
            if run(["ninja", "-C", build] + targets, ROOT, 1800) != 0:
                stillborn += 1
                verdict = "stillborn"
            else:
                labels = "|".join("^" + suite + "$" for suite in suites)
                rc = run(["ctest", "-L", labels, "-j", jobs, "--stop-on-failure", "--timeout",
                          str(args.test_timeout)], build, args.test_timeout * 20)
                if rc == 0:
                    survived += 1
                    survivors.append(f"{rel}:{n + 1}:{a + 1}: {kind}")
                    verdict = "survived"
                else:
                    killed += 1
                    verdict = "killed"
        finally:
            with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
                f.write(original)
        print(f"[{i}/{len(sample)}] {verdict:9} {rel}:{n + 1}:{a + 1} {kind}", flush=True)
    run(["ninja", "-C", build], ROOT, 1800)  # back to the sources as they are
    counted = killed + survived
    rate = 100.0 * killed / counted if counted else 0.0
    with open(os.path.join(build, "survivors.txt"), "w") as f:
        f.write("\n".join(survivors) + "\n")
    print(f"mutate: {killed} killed, {survived} survived, {stillborn} stillborn; "
          f"kill rate {rate:.1f} % of {counted} in {time.time() - started:.0f} s "
          f"(survivors: {args.build}/survivors.txt)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
