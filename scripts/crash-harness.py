#!/usr/bin/env python3
"""Crash harness for the data files.

Runs the terminal front end (tarsel-console) in a scratch working directory
filled from data/, lets it complete a few learning turns, then kills it with
SIGKILL at a random moment of the next turn (or of the conversation log
written at the end of input) and checks every file under Base/:

  * every file reads back (tarsel-check-base), and an RTF file is whole;
  * the fixed reply pools are unchanged;
  * the pools W1/W2 hold their lines from before the turn, plus at most the
    turn's phrase;
  * Words.Dat is in one of the states the interrupted turn passes through:
    as before, with the new pattern appended, or with the new pattern and
    the line that files the reply moved to the end;
  * the log holds its old lines at its start;
  * a killed writer leaves at most one temporary file, and temporary files
    that have gone stale are removed by the next save.

Usage: scripts/crash-harness.py [--kills N] [--seed S] [--build-dir DIR] [--keep]
Exit status 0 when every check held.
"""
import argparse
import json
import os
import random
import selectors
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
FIXED_POOLS = ("Povtor.Dat", "X.Dat", "BigString.Dat", "Pause.Dat")
TEMP_PREFIX = ".~tarsel-"

CONSONANTS = "бвгдзклмнпрстфхчшж"
VOWELS = "аеиоуыюяё"


def fresh_phrase(rng):
    """A Russian-looking phrase that the bot has not seen yet."""
    words = []
    for _ in range(rng.randint(1, 3)):
        words.append("".join(rng.choice(CONSONANTS) + rng.choice(VOWELS) for _ in range(rng.randint(2, 3))))
    return " ".join(words) + rng.choice(["", "", "", ".", "?", "!"])


def upper(s):
    # The program's upper-casing: only Cyrillic letters, ё included.
    return "".join(c.upper() if ("а" <= c <= "я" or c == "ё") else c for c in s)


def shown_phrase(phrase):
    s = upper(phrase[0]) + phrase[1:]
    if s.endswith(","):
        return s[:-1] + "."
    return s if s[-1] in ".!?" else s + "."


def line_pattern(line):
    caret = line.find("^", 1)
    return None if caret < 0 else line[:caret]


def words_states(old, phrase, last_reply):
    """The states of Words.Dat that one learning turn passes through."""
    shown = shown_phrase(phrase)
    states = [old]
    if any(line_pattern(l) == upper(phrase) for l in old[1:]):
        return states  # already known: nothing is learned
    added = old + [upper(shown) + "^"]
    states.append(added)
    if last_reply:
        key = upper(last_reply)
        for i in range(1, len(added)):
            if line_pattern(added[i]) == key:
                states.append(added[:i] + added[i + 1:] + [added[i] + shown + ";"])
                break
    return states


def temp_pid(name):
    try:
        return int(name[len(TEMP_PREFIX):].split("-")[0], 16)
    except ValueError:
        return None


def pid_alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except (PermissionError, TypeError):
        pass
    return True


class Console:
    def __init__(self, program, workdir):
        env = dict(os.environ, LC_ALL="C.UTF-8")
        self.proc = subprocess.Popen([program], cwd=workdir, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, env=env)
        self.sel = selectors.DefaultSelector()
        self.sel.register(self.proc.stdout, selectors.EVENT_READ, "out")
        self.sel.register(self.proc.stderr, selectors.EVENT_READ, "err")

    def send(self, phrase):
        self.proc.stdin.write((phrase + "\n").encode())
        self.proc.stdin.flush()

    def reply(self, timeout=20.0):
        """The next reply line, or raises with what the program said instead."""
        deadline = time.monotonic() + timeout
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                raise RuntimeError("no reply within %.0f s" % timeout)
            for key, _ in self.sel.select(left):
                line = key.fileobj.readline()
                if key.data == "err":
                    raise RuntimeError("turn failed: " + line.decode(errors="replace").strip())
                if not line:
                    raise RuntimeError("program ended")
                return line.decode().rstrip("\n")

    def kill(self):
        self.proc.send_signal(signal.SIGKILL)
        self.proc.wait()
        for f in (self.proc.stdin, self.proc.stdout, self.proc.stderr):
            try:
                f.close()
            except OSError:
                pass


def build(build_dir):
    console = build_dir / "app" / "tarsel-console"
    checker = build_dir / "fuzz" / "tarsel-check-base"
    if not (build_dir / "CMakeCache.txt").exists():
        gen = ["-G", "Ninja"] if shutil.which("ninja") else []
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build_dir), *gen, "-DCMAKE_BUILD_TYPE=Release",
                        "-DBUILD_TESTING=OFF", "-DTARSEL_TOOLS=ON"], check=True, stdout=subprocess.DEVNULL)
    elif not checker.exists():
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build_dir), "-DTARSEL_TOOLS=ON"], check=True,
                       stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(build_dir), "--target", "tarsel-console", "tarsel-check-base"],
                   check=True, stdout=subprocess.DEVNULL)
    return console, checker


def read_bytes(base):
    return {p.name: p.read_bytes() for p in base.iterdir() if p.is_file()}


def check_dirs(checker, *dirs):
    out = subprocess.run([str(checker), *map(str, dirs)], capture_output=True, check=False)
    if out.returncode != 0:
        raise RuntimeError("tarsel-check-base: " + out.stderr.decode(errors="replace"))
    data = json.loads(out.stdout)
    return [data[str(d)] for d in dirs]


def measure(console, workdir, rng, turns=15):
    c = Console(console, workdir)
    times = []
    try:
        for _ in range(turns):
            start = time.monotonic()
            c.send(fresh_phrase(rng))
            c.reply()
            times.append(time.monotonic() - start)
    finally:
        c.kill()
    times.sort()
    return times[len(times) // 2]


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--kills", type=int, default=500)
    ap.add_argument("--seed", type=int, default=None)
    ap.add_argument("--build-dir", type=Path, default=ROOT / "build" / "release")
    ap.add_argument("--keep", action="store_true", help="keep the working directory")
    args = ap.parse_args()
    seed = args.seed if args.seed is not None else int(time.time())
    rng = random.Random(seed)

    console, checker = build(args.build_dir.resolve())
    work = Path(tempfile.mkdtemp(prefix="tarsel-crash-"))
    snap = Path(tempfile.mkdtemp(prefix="tarsel-crash-before-"))
    shutil.copytree(ROOT / "data" / "Base", work / "Base")
    base = work / "Base"

    turn_time = measure(console, work, rng)
    print("seed %d, working directory %s, median turn %.1f ms" % (seed, work, turn_time * 1000))

    stats = dict(kills=0, turns=0, exit_kills=0, unchanged=0, pattern_added=0, line_extended=0, log_grown=0,
                 temps_left=0, temps_cleaned=0)
    failures = []
    aged = set()  # leftover temporary files made to look a minute old

    for round_no in range(args.kills):
        problems = []
        at_start = read_bytes(base)
        c = Console(console, work)
        last_reply = ""
        try:
            for _ in range(rng.randint(1, 3)):
                c.send(fresh_phrase(rng))
                last_reply = c.reply()
                stats["turns"] += 1
        except (RuntimeError, OSError) as e:
            problems.append("completed turn: %s" % e)
        before = read_bytes(base)
        temps_before = {n for n in before if n.startswith(TEMP_PREFIX)}
        saved = any(data != at_start.get(name) for name, data in before.items() if name not in temps_before)
        survivors = {n for n in aged & temps_before if not pid_alive(temp_pid(n))}
        if saved and survivors:
            problems.append("stale temporary files survived a save: %s" % sorted(survivors))
        stats["temps_cleaned"] += len(aged - temps_before)
        aged &= temps_before

        shutil.rmtree(snap)
        snap.mkdir()
        for name, data in before.items():
            if not name.startswith(TEMP_PREFIX):
                (snap / name).write_bytes(data)

        at_exit = rng.random() < 0.15
        phrase = fresh_phrase(rng)
        try:
            if at_exit:
                c.proc.stdin.close()
            else:
                c.send(phrase)
        except OSError as e:
            problems.append("the program was gone before the kill: %s" % e)
        time.sleep(rng.uniform(0, 1.5 * turn_time))
        pid = c.proc.pid
        c.kill()
        stats["kills"] += 1
        stats["exit_kills"] += at_exit

        try:
            pre, post = check_dirs(checker, snap, base)
        except (RuntimeError, ValueError) as e:
            failures.append((round_no, [str(e)]))
            continue
        new_temps = set(post["temp"]) - temps_before
        if len(new_temps) > 1 or any(temp_pid(n) != pid for n in new_temps):
            problems.append("temporary files not from the killed writer: %s" % sorted(new_temps))
        stats["temps_left"] += len(new_temps)

        for name, info in post["files"].items():
            if info["rtf"] and not info["complete"]:
                problems.append("%s is a cut RTF document" % name)
        if set(pre["files"]) != set(post["files"]):
            problems.append("files appeared or vanished: %s" % (set(pre["files"]) ^ set(post["files"])))
        for name in FIXED_POOLS:
            if (base / name).read_bytes() != before.get(name):
                problems.append("fixed pool %s changed" % name)
        old = {n: f["lines"] for n, f in pre["files"].items()}
        new = {n: f["lines"] for n, f in post["files"].items()}

        if at_exit:
            if new["Words.Dat"] != old["Words.Dat"] or new["W1.Dat"] != old["W1.Dat"] or new["W2.Dat"] != old["W2.Dat"]:
                problems.append("the exit changed a data file other than the log")
            log_old, log_new = old["Log.Tarsel"], new["Log.Tarsel"]
            if log_new[:len(log_old)] != log_old:
                problems.append("the log lost lines")
            stats["log_grown"] += len(log_new) > len(log_old)
        else:
            states = words_states(old["Words.Dat"], phrase, last_reply)
            if new["Words.Dat"] not in states:
                problems.append("Words.Dat in no state of the turn (%d lines before, %d after)"
                                % (len(old["Words.Dat"]), len(new["Words.Dat"])))
            else:
                key = ("unchanged", "pattern_added", "line_extended")[states.index(new["Words.Dat"])]
                stats[key] += 1
            for pool in ("W1.Dat", "W2.Dat"):
                if new[pool] not in (old[pool], old[pool] + [shown_phrase(phrase)]):
                    problems.append("%s neither as before nor with the phrase added" % pool)
            if new["Log.Tarsel"] != old["Log.Tarsel"]:
                problems.append("the log changed during a turn")

        # Make what the killed writer left look stale: the next save must
        # remove it.
        for name in new_temps:
            t = time.time() - 120
            os.utime(base / name, (t, t))
            aged.add(name)
        if problems:
            failures.append((round_no, problems))
            print("round %d: %s" % (round_no, "; ".join(problems)), file=sys.stderr)

    print("kills: %(kills)d (%(exit_kills)d while writing the log), turns completed: %(turns)d" % stats)
    print("Words.Dat after the kill: unchanged %(unchanged)d, pattern added %(pattern_added)d, "
          "line extended %(line_extended)d; log grown in %(log_grown)d exit kills" % stats)
    print("temporary files left by killed writers: %(temps_left)d, removed later by the program: %(temps_cleaned)d"
          % stats)
    print("failures: %d" % len(failures))
    shutil.rmtree(snap, ignore_errors=True)
    if args.keep or failures:
        print("working directory kept: %s" % work)
    else:
        shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
