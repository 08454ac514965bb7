#!/usr/bin/env python3
"""A mutation sample of the core: how many small faults the suite notices.

Picks a reproducible sample of mutants in the core's .cpp files (a comparison flipped or
loosened, && and || swapped, an integer constant off by one, a statement dropped), builds each
one in its own build folder and runs the tests of the folder that mirrors the mutated source
(its CTest label), rebuilding only those suites. A mutant is killed when a test fails or times out, survives when all pass, and
is stillborn when it does not compile (not counted). The same --seed and --count over the same
sources give the same mutants, so a change to the suite can be measured before and after.

An existing build folder is used as it is: --build out/coverage reuses the coverage build
(scripts/coverage.sh) instead of building a folder of its own. Its programs then write gcov
profiles; these go to a scratch folder, and libgcov's complaints (a relinked suite and a program
left as it was share an object's profile) to a file, so neither the coverage figures nor what a
test reads on a program's standard error change. With --coverage-json (that build's
coverage.json) a mutant on a line no test runs is counted as surviving without being built.
Every verdict is written to BUILD/mutants.txt; --recheck FILE runs only the mutants a previous
mutants.txt lists as killed (found by name, so a change elsewhere in the sources keeps them), to
show that a change to the suite still kills each of them;
--judged-by FOLDER keeps only the mutants that the tests of that folder judge (for a recheck
after a change to some test folders only: the others' verdicts cannot have changed).
--reuse FILE takes the verdicts a previous mutants.txt of the same suite holds and runs only
the other mutants (a larger --count after a smaller one with the same seed adds to it).

  scripts/mutate.py [--count 300] [--seed 1] [--list] [--build out/mutation] [--only FOLDER]
                    [--coverage-json out/coverage/coverage.json] [--recheck FILE] [--judged-by FOLDER]
                    [--reuse FILE]
"""
import argparse
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LAYERS = ["platform", "base", "terminal", "link", "config", "download", "analog", "macro", "upload",
          "build", "factory", "app"]
# Test labels that exercise a folder besides its own. The tests of the port, socket, lock and
# line-frame code of platform/ are link's (tests/link), as the link owns those devices.
EXTRA_LABELS = {"app": ["cli"], "base": ["app"], "platform": ["link"], "link": ["faults"], "download": ["faults"],
                "upload": ["faults"]}

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


def run(cmd, cwd, timeout, env=None):
    # A session of its own, so a hang ends the tests and the programs they started, not only ctest.
    proc = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env,
                            start_new_session=True)
    try:
        return proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
        return -1


def uncovered_lines(path):
    """{source path relative to the root: set of 1-based lines gcov saw as code never run}."""
    with open(path) as f:
        data = json.load(f)
    result = {}
    for entry in data["files"]:
        name = entry["file"]
        if os.path.isabs(name):
            name = os.path.relpath(name, ROOT)
        result[name] = {line["line_number"] for line in entry["lines"] if line["count"] == 0}
    return result


def suites_of(rel):
    """The test folders (CTest labels) that judge a mutant of this source."""
    folder = rel.split("/")[0]
    return [folder] + EXTRA_LABELS.get(folder, [])


def mutant_name(m):
    rel, n, a, b, rep, kind = m
    return f"{rel}:{n + 1}:{a + 1}: {kind}"


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--count", type=int, default=300)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--build", default="out/mutation")
    ap.add_argument("--only", action="append", help="mutate only this folder (repeatable)")
    ap.add_argument("--list", action="store_true", help="print the sample and stop")
    ap.add_argument("--test-timeout", type=int, default=120)
    ap.add_argument("--coverage-json", help="gcovr JSON of the suite: mutants on lines never run survive unbuilt")
    ap.add_argument("--recheck", help="a previous mutants.txt: run only the mutants it lists as killed")
    ap.add_argument("--reuse", help="a previous mutants.txt of the same suite: its verdicts are taken as they are")
    ap.add_argument("--judged-by", action="append",
                    help="keep only mutants that this test folder's suite judges (repeatable)")
    args = ap.parse_args()

    pool = all_mutants(args.only)
    sample = random.Random(args.seed).sample(pool, min(args.count, len(pool)))
    sample.sort()
    print(f"mutate: {len(pool)} possible mutants in the core, a sample of {len(sample)} (seed {args.seed})")
    if args.recheck:
        with open(args.recheck) as f:
            wanted = {line.split(" ", 1)[1].strip() for line in f if line.startswith("killed ")}
        # Taken from the whole pool by name: a change of the sources' mutant count draws another
        # sample from the same seed, but the listed mutants are still where they were.
        sample = [m for m in pool if mutant_name(m) in wanted]
        print(f"mutate: rechecking the {len(sample)} mutants that {args.recheck} lists as killed"
              + ("" if len(sample) == len(wanted) else
                 f" (it lists {len(wanted)}: the others' lines changed or went)"))
    if args.judged_by:
        sample = [m for m in sample if set(suites_of(m[0])) & set(args.judged_by)]
        print(f"mutate: {len(sample)} of them judged by the tests of {', '.join(args.judged_by)}")
    if args.list:
        for m in sample:
            print(mutant_name(m))
        return 0
    never_run = uncovered_lines(args.coverage_json) if args.coverage_json else None
    known = {}
    if args.reuse:
        with open(args.reuse) as f:
            for line in f:
                if " " in line.strip():
                    verdict, name = line.strip().split(" ", 1)
                    known[name.removesuffix(" (never run)")] = (verdict, line.strip())

    build = os.path.join(ROOT, args.build)
    if not os.path.isdir(build):
        subprocess.run([os.path.join(ROOT, "scripts/build.sh"), args.build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                        "-DVEXA_GUI=OFF", "-DVEXA_BENCH=OFF"], cwd=ROOT, check=True)
    jobs = str(os.cpu_count() or 2)
    profiles = tempfile.mkdtemp(prefix="vexa-mutate-gcov-")
    env = dict(os.environ, GCOV_PREFIX=profiles, GCOV_ERROR_FILE=os.path.join(profiles, "libgcov-errors.txt"))
    killed = survived = stillborn = 0
    survivors = []
    verdicts = []
    started = time.time()
    for i, (rel, n, a, b, rep, kind) in enumerate(sample, 1):
        name = mutant_name((rel, n, a, b, rep, kind))
        if name in known:
            verdict, line = known[name]
            killed += verdict == "killed"
            survived += verdict == "survived"
            stillborn += verdict == "stillborn"
            if verdict == "survived":
                survivors.append(name)
            verdicts.append(line)
            print(f"[{i}/{len(sample)}] {verdict:9} {rel}:{n + 1}:{a + 1} {kind} (from {args.reuse})", flush=True)
            continue
        if never_run is not None and n + 1 in never_run.get(rel, ()):
            survived += 1
            survivors.append(mutant_name((rel, n, a, b, rep, kind)))
            verdicts.append("survived " + survivors[-1] + " (never run)")
            print(f"[{i}/{len(sample)}] {'survived':9} {rel}:{n + 1}:{a + 1} {kind} (a line no test runs)", flush=True)
            continue
        path = os.path.join(ROOT, rel)
        with open(path, encoding="utf-8", errors="surrogateescape") as f:
            original = f.read()
        lines = original.split("\n")
        lines[n] = lines[n][:a] + rep + lines[n][b:]
        try:
            with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
                f.write("\n".join(lines))
            suites = suites_of(rel)
            # Only the suites that judge this mutant are rebuilt, with the programs they start
            # (vexacli, vexaboard: the test targets depend on them).
            targets = ["test_" + suite for suite in suites]
            if run(["ninja", "-C", build] + targets, ROOT, 1800) != 0:
                stillborn += 1
                verdict = "stillborn"
            else:
                labels = "|".join("^" + suite + "$" for suite in suites)
                rc = run(["ctest", "-L", labels, "-j", jobs, "--stop-on-failure", "--timeout",
                          str(args.test_timeout)], build, args.test_timeout * 20, env)
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
            shutil.rmtree(profiles, ignore_errors=True)
            os.makedirs(profiles, exist_ok=True)
        verdicts.append(verdict + " " + mutant_name((rel, n, a, b, rep, kind)))
        print(f"[{i}/{len(sample)}] {verdict:9} {rel}:{n + 1}:{a + 1} {kind}", flush=True)
    shutil.rmtree(profiles, ignore_errors=True)
    run(["ninja", "-C", build], ROOT, 1800)  # back to the sources as they are
    counted = killed + survived
    rate = 100.0 * killed / counted if counted else 0.0
    with open(os.path.join(build, "survivors.txt"), "w") as f:
        f.write("\n".join(survivors) + "\n")
    with open(os.path.join(build, "mutants.txt"), "w") as f:
        f.write("\n".join(verdicts) + "\n")
    print(f"mutate: {killed} killed, {survived} survived, {stillborn} stillborn; "
          f"kill rate {rate:.1f} % of {counted} in {time.time() - started:.0f} s "
          f"(survivors: {args.build}/survivors.txt, every verdict: {args.build}/mutants.txt)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
