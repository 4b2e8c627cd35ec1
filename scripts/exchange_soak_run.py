#!/usr/bin/env python3
"""Two copies of Tarsel talking through one exchange file, driven through
their menus with xdotool. Started by scripts/exchange-soak.sh inside an X
display of its own; see README.md, "Two copies talking".

What it watches while the copies talk:
  - error boxes: top-level windows titled "Tarsel" (each is photographed into
    the artefact folder and closed with Return so that the run goes on);
  - crashes: a copy whose process ends before the exit command;
  - torn exchange files: a fast poller reads the exchange file over and over;
    every read must be one whole line ended by CR LF.
What it checks after both copies left through "Выход":
  - both Base/Words.Dat read back through the engine (the checker program),
    the header line kept and every earlier line still there (a line that got
    a reply is moved to the end with the reply added, so it is found as the
    start of a later line);
  - the conversation logs: the "CPU:" lines are the turns, and every received
    phrase was whole (it ended with CR LF, so its "USER:" line is followed by
    the final-punctuation line ".").
Exit status 0 when everything holds, 1 otherwise.
"""
import argparse
import collections
import os
import shutil
import signal
import subprocess
import sys
import threading
import time

SEED_PHRASE = "Привет! Как у тебя дела?"
CPU_PREFIX = "CPU:     ".encode("cp1251")
USER_PREFIX = "USER:     ".encode("cp1251")
COUNT_PREFIX = "//Загружено фраз выученных программой: ".encode("cp1251")

# Menu paths as key strokes. "&Настройки" opens with Alt+Н; "&Режим" shares
# its access letter with "Цвет &реплик", so it is reached from the bottom of
# the menu (Full Screen, Редактор, Режим); its items are "&Cpu\User" and
# "C&pu\Cpu". "&Система" -> "&Выход" and "Ре&дактор" have letters of their own.
KEYS_CPU_CPU = ["alt+Cyrillic_en", "Up", "Up", "Up", "Right", "p"]
KEYS_CPU_USER = ["alt+Cyrillic_en", "Up", "Up", "Up", "Right", "c"]
KEYS_EDITOR = ["alt+Cyrillic_en", "Cyrillic_de"]
KEYS_EXIT = ["alt+Cyrillic_es", "Cyrillic_ve"]

MAIN_WIDTH = 587          # the main window's fixed width
EDITOR_SIZE = (305, 105)  # the "Редактор" window
SPIN_AT = (248, 43)       # interval field, relative to the "Редактор" window
OK_AT = (109, 84)         # its "Хорошо" button
MODE_PANEL = "150x18+437+361"  # the status bar's mode text, in the main window


def log(msg):
    print(f"[soak {time.strftime('%H:%M:%S')}] {msg}", flush=True)


def xdo(*args, check=False):
    r = subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True)
    if check and r.returncode != 0:
        raise RuntimeError(f"xdotool {' '.join(map(str, args))}: {r.stderr.strip()}")
    return r.stdout


def ids(text):
    return [int(x) for x in text.split()]


def geometry(wid):
    out = xdo("getwindowgeometry", "--shell", wid)
    g = dict(line.split("=", 1) for line in out.split() if "=" in line)
    return int(g.get("X", 0)), int(g.get("Y", 0)), int(g.get("WIDTH", 0)), int(g.get("HEIGHT", 0))


def wait_for(pred, timeout, step=0.1):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        v = pred()
        if v:
            return v
        time.sleep(step)
    return None


class Poller(threading.Thread):
    """Reads the exchange file as fast as it can and judges every read."""

    def __init__(self, path, pause):
        super().__init__(daemon=True)
        self.path = path
        self.pause = pause
        self.stop_flag = threading.Event()
        self.reads = 0
        self.torn = 0
        self.open_failures = 0
        self.changes = 0
        self.samples = []
        self.lock = threading.Lock()

    @staticmethod
    def whole(data):
        # Exactly one line, ended by CR LF (an empty reply is a bare CR LF).
        return data.endswith(b"\r\n") and data.count(b"\r") == 1 and data.count(b"\n") == 1

    def run(self):
        last = None
        while not self.stop_flag.is_set():
            try:
                fd = os.open(self.path, os.O_RDONLY)
            except OSError as e:
                with self.lock:
                    self.open_failures += 1
                    if len(self.samples) < 10:
                        self.samples.append(f"open failed: {e}")
                time.sleep(self.pause)
                continue
            try:
                st = os.fstat(fd)
                chunks = []
                while True:
                    b = os.read(fd, 65536)
                    if not b:
                        break
                    chunks.append(b)
            finally:
                os.close(fd)
            data = b"".join(chunks)
            key = (st.st_ino, st.st_ctime_ns, data)
            with self.lock:
                self.reads += 1
                if not self.whole(data):
                    self.torn += 1
                    if len(self.samples) < 10:
                        self.samples.append(f"torn read: {data[:120]!r}")
                if key != last:
                    self.changes += 1
                    last = key
            if self.pause:
                time.sleep(self.pause)


class Copy:
    def __init__(self, name, workdir, program, env, logdir):
        self.name = name
        self.workdir = workdir
        self.program = program
        self.env = env
        self.logdir = logdir
        self.proc = None
        self.wid = None
        self.exited_by_command = False

    def start(self):
        out = open(os.path.join(self.logdir, f"copy-{self.name}.out"), "wb")
        self.proc = subprocess.Popen([self.program], cwd=self.workdir, env=self.env,
                                     stdout=out, stderr=subprocess.STDOUT)

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def find_main_window(self, timeout=30):
        def main():
            for w in ids(xdo("search", "--onlyvisible", "--pid", self.proc.pid)):
                if geometry(w)[2] == MAIN_WIDTH:
                    return w
            return None
        self.wid = wait_for(main, timeout, 0.2)
        if not self.wid:
            raise RuntimeError(f"copy {self.name}: main window did not appear")
        return self.wid

    def focus(self, wid=None):
        wid = wid or self.wid
        xdo("windowfocus", "--sync", wid)
        xdo("mousemove", "--window", wid, 300, 150)
        time.sleep(0.15)

    def menu(self, keys):
        self.focus()
        xdo("key", "--delay", 120, *keys, check=True)
        time.sleep(0.3)

    def close_menus(self):
        self.focus()
        xdo("key", "--delay", 80, "Escape", "Escape", "Escape")
        time.sleep(0.2)

    def mode_pixels(self):
        """The mode text of the status bar as raw pixels (None without
        ImageMagick's import)."""
        if not shutil.which("import"):
            return None
        r = subprocess.run(["import", "-window", str(self.wid), "-crop", MODE_PANEL, "rgb:-"],
                           capture_output=True)
        return r.stdout if r.returncode == 0 and r.stdout else None

    def switch_mode(self, keys, what):
        """Chooses a mode item and makes sure that the mode text changed: a key
        stroke lost on the way (the Cyrillic access letters are typed through a
        key code borrowed for the moment) is tried again."""
        before = self.mode_pixels()
        for attempt in range(3):
            self.menu(keys)
            if before is None:
                return True
            if wait_for(lambda: self.mode_pixels() not in (None, before), 3, 0.2):
                return True
            log(f"copy {self.name}: {what} did not take, trying again")
            self.close_menus()
        return False

    def editor_window(self):
        for w in ids(xdo("search", "--onlyvisible", "--pid", self.proc.pid)):
            if w != self.wid and geometry(w)[2:] == EDITOR_SIZE:
                return w
        return None

    def set_interval(self, ms, shotdir):
        """Types the interval into the "Редактор" window and closes it with
        "Хорошо". Done before the mode switch, so no poll can open an error box
        in the middle of the typing; the window's focus timer first moves the
        focus 2 s after opening, and the typing is over well before that."""
        f = None
        for attempt in range(3):
            self.menu(KEYS_EDITOR)
            f = wait_for(self.editor_window, 3)
            if f:
                break
            log(f"copy {self.name}: the Редактор window did not open, trying again")
            self.close_menus()
        if not f:
            raise RuntimeError(f"copy {self.name}: the Редактор window did not open")
        xdo("windowfocus", "--sync", f)
        xdo("mousemove", "--window", f, *SPIN_AT)
        time.sleep(0.2)
        xdo("click", 1)
        time.sleep(0.1)
        xdo("key", "ctrl+a")
        xdo("type", "--delay", 20, str(ms))
        time.sleep(0.1)
        if shutil.which("import"):
            subprocess.run(["import", "-window", str(f),
                            os.path.join(shotdir, f"editor-{self.name}.png")],
                           capture_output=True)
        xdo("mousemove", "--window", f, *OK_AT)
        time.sleep(0.2)
        xdo("click", 1)
        if wait_for(lambda: self.editor_window() is None, 5) is None:
            raise RuntimeError(f"copy {self.name}: the Редактор window did not close")


def kb_lines(checker, path):
    """Lines of a rich-text data file as the engine reads them."""
    r = subprocess.run([checker, path], capture_output=True)
    if r.returncode != 0:
        raise RuntimeError(f"{path}: {r.stderr.decode(errors='replace').strip()}")
    out = r.stdout
    return out.split(b"\n")[:-1] if out else []


def kb_kept(before, after):
    """Lines of `before` missing from `after`. The header line must stay line
    0; every other line must still be there, either unchanged or as the start
    of a line that gained replies (such a line moves to the end)."""
    problems = []
    if not after or after[0] != before[0]:
        problems.append(b"header line changed or lost")
    left = collections.Counter(after[1:])
    unmatched = []
    for line in before[1:]:
        if left[line] > 0:
            left[line] -= 1
        else:
            unmatched.append(line)
    for line in unmatched:
        grown = next((l for l, n in left.items() if n > 0 and l.startswith(line)), None)
        if grown is None:
            problems.append(line)
        else:
            left[grown] -= 1
    return problems


def transcript_figures(lines):
    """Turns ("CPU:" lines) and received phrases that were not whole."""
    turns = sum(1 for l in lines if l.startswith(CPU_PREFIX))
    broken = 0
    for i, l in enumerate(lines):
        if l.startswith(USER_PREFIX):
            # A whole exchange line ends with CR LF; the final punctuation
            # then puts "." on a line of its own.
            if i + 1 >= len(lines) or lines[i + 1] != b".":
                broken += 1
    return turns, broken


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--program", required=True)
    ap.add_argument("--checker", required=True)
    ap.add_argument("--data", required=True)
    ap.add_argument("--dir", required=True, help="empty folder for the run")
    ap.add_argument("--turns", type=int, default=50)
    ap.add_argument("--interval", type=int, default=None,
                    help="interval field in ms (left at its default 1000 when not given)")
    ap.add_argument("--timeout", type=float, default=None, help="seconds of talk at most")
    ap.add_argument("--poll-pause", type=float, default=0.0002)
    ap.add_argument("--no-seed", action="store_true",
                    help="leave the exchange file missing (the error-box detector must fire)")
    args = ap.parse_args()

    root = os.path.abspath(args.dir)
    xdg = os.path.join(root, "xdg")
    exchange_dir = os.path.join(xdg, "tarsel", "drives", "d")
    exchange = os.path.join(exchange_dir, "Txt.Dat")
    artefacts = os.path.join(root, "artefacts")
    os.makedirs(exchange_dir)
    os.makedirs(artefacts)

    env = dict(os.environ)
    env["XDG_DATA_HOME"] = xdg
    env.setdefault("XDG_RUNTIME_DIR", os.path.join(root, "runtime"))
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
    env["QT_QPA_PLATFORM"] = "xcb"

    copies = []
    before = {}
    for name in ("A", "B"):
        work = os.path.join(root, name)
        shutil.copytree(args.data, work)
        before[name] = kb_lines(args.checker, os.path.join(work, "Base", "Words.Dat"))
        copies.append(Copy(name, work, args.program, env, artefacts))

    if not args.no_seed:
        with open(exchange, "wb") as f:
            f.write(SEED_PHRASE.encode("cp1251") + b"\r\n")

    interval = args.interval or 1000
    timeout = args.timeout or max(120.0, 3 + args.turns * interval / 1000.0 * 1.5 + 60)

    poller = Poller(exchange, args.poll_pause)
    boxes = []          # (time, copy, picture)
    seen_boxes = set()
    crashes = []
    failures = []
    pid_name = {}

    def watch():
        """One look for error boxes and crashed copies."""
        found = ids(xdo("search", "--onlyvisible", "--name", "^Tarsel$"))
        for w in found:
            if w in seen_boxes:
                continue
            seen_boxes.add(w)
            pid = xdo("getwindowpid", w).strip()
            who = pid_name.get(int(pid) if pid.isdigit() else -1, "?")
            pic = os.path.join(artefacts, f"error-box-{len(boxes) + 1}-{who}.png")
            if shutil.which("import"):
                subprocess.run(["import", "-window", str(w), pic], capture_output=True)
            boxes.append((time.strftime("%H:%M:%S"), who, pic))
            log(f"error box from copy {who} (picture: {pic}); closing it")
            xdo("windowfocus", "--sync", w)
            xdo("key", "Return")
        for c in copies:
            if not c.alive() and not c.exited_by_command and c.name not in (x[0] for x in crashes):
                crashes.append((c.name, c.proc.returncode))
                log(f"copy {c.name} ended before the exit command (status {c.proc.returncode})")

    talk_start = talk_end = None
    try:
        for i, c in enumerate(copies):
            c.start()
            pid_name[c.proc.pid] = c.name
            c.find_main_window()
        # The start-up shake moves the windows; place them side by side after it.
        time.sleep(2.0)
        for i, c in enumerate(copies):
            xdo("windowmove", "--sync", c.wid, i * 800, 0)
        time.sleep(0.3)
        watch()

        if args.interval is not None:
            for c in copies:
                c.set_interval(args.interval, artefacts)
                log(f"copy {c.name}: interval field set to {args.interval}")

        poller.start()
        talk_start = time.monotonic()
        for c in copies:
            if not c.switch_mode(KEYS_CPU_CPU, "Cpu\\Cpu"):
                raise RuntimeError(f"copy {c.name}: could not choose Cpu\\Cpu")
            log(f"copy {c.name}: Cpu\\Cpu chosen")

        last_report = time.monotonic()
        while True:
            watch()
            with poller.lock:
                writes = max(0, poller.changes - 1)  # the first change seen is the seed
            if writes >= args.turns:
                break
            if crashes:
                failures.append("a copy crashed")
                break
            now = time.monotonic()
            if now - talk_start > timeout:
                failures.append(f"only {writes} exchange writes seen in {timeout:.0f} s")
                break
            if now - last_report > 10:
                log(f"{writes} exchange writes so far")
                last_report = now
            time.sleep(0.1)

        # Stop the polls first, so that both logs end at a quiet moment.
        for c in copies:
            if c.alive() and not c.switch_mode(KEYS_CPU_USER, "Cpu\\User"):
                failures.append(f"copy {c.name}: could not choose Cpu\\User")
        talk_end = time.monotonic()
        time.sleep(1.0)
        watch()
        for c in copies:
            if not c.alive():
                continue
            c.exited_by_command = True
            for attempt in range(3):
                c.menu(KEYS_EXIT)
                if wait_for(lambda: not c.alive(), 15, 0.2):
                    break
                watch()
            if c.alive():
                failures.append(f"copy {c.name} did not end after Выход")
            elif c.proc.returncode != 0:
                failures.append(f"copy {c.name} ended with status {c.proc.returncode}")
        watch()
    except RuntimeError as e:
        log(str(e))
        failures.append(str(e))
    finally:
        poller.stop_flag.set()
        if poller.is_alive():
            poller.join(5)
        for c in copies:
            if c.alive():
                c.proc.send_signal(signal.SIGTERM)
                try:
                    c.proc.wait(10)
                except subprocess.TimeoutExpired:
                    c.proc.kill()

    # Figures and checks.
    duration = (talk_end or time.monotonic()) - (talk_start or time.monotonic())
    total_turns = 0
    rows = []
    for c in copies:
        base = os.path.join(c.workdir, "Base")
        try:
            after = kb_lines(args.checker, os.path.join(base, "Words.Dat"))
            kb_problems = kb_kept(before[c.name], after)
            for pool in ("W1.Dat", "W2.Dat"):
                kb_lines(args.checker, os.path.join(base, pool))
            log_lines = kb_lines(args.checker, os.path.join(base, "Log.Tarsel"))
        except RuntimeError as e:
            failures.append(f"copy {c.name}: a data file does not read back: {e}")
            continue
        turns, broken = transcript_figures(log_lines)
        # The exit wrote the knowledge base's size into the log block.
        counted = [l for l in log_lines if l.startswith(COUNT_PREFIX)]
        if not counted or counted[-1][len(COUNT_PREFIX):] != str(len(after) - 1).encode():
            failures.append(f"copy {c.name}: the log's phrase count does not match Words.Dat")
        total_turns += turns
        rows.append((c.name, turns, broken, len(before[c.name]), len(after), len(kb_problems)))
        if turns == 0:
            failures.append(f"copy {c.name} logged no turn (did its mode switch fail?)")
        if broken:
            failures.append(f"copy {c.name}: {broken} received phrases were not whole lines")
        if len(after) < len(before[c.name]):
            failures.append(f"copy {c.name}: knowledge base shrank")
        if kb_problems:
            failures.append(f"copy {c.name}: {len(kb_problems)} knowledge-base lines lost")
            for p in kb_problems[:5]:
                log(f"  lost: {p.decode('cp1251', errors='replace')}")
    if total_turns < args.turns:
        failures.append(f"{total_turns} turns logged, fewer than the {args.turns} asked for")
    if boxes:
        failures.append(f"{len(boxes)} error boxes")
    if crashes:
        failures.append(f"crashes: {crashes}")
    if poller.torn or poller.open_failures:
        failures.append(f"{poller.torn} torn reads, {poller.open_failures} failed opens")

    print()
    print(f"interval field      : {args.interval if args.interval is not None else '1000 (default, untouched)'} ms")
    print(f"turns (CPU: lines)  : {total_turns}  (" +
          ", ".join(f"copy {r[0]}: {r[1]}" for r in rows) + ")")
    print(f"duration of the talk: {duration:.1f} s (from the first mode switch, 3 s first poll included)")
    print(f"exchange reads      : {poller.reads} by the poller, {poller.changes - 1 if poller.changes else 0} writes seen")
    print(f"torn reads          : {poller.torn}  (failed opens: {poller.open_failures})")
    print(f"error boxes         : {len(boxes)}")
    print(f"crashes             : {len(crashes)}")
    for r in rows:
        print(f"copy {r[0]}: Words.Dat lines {r[3]} before, {r[4]} after; "
              f"earlier lines lost: {r[5]}; received phrases not whole: {r[2]}")
    for s in poller.samples:
        print(f"  {s}")
    for b in boxes:
        print(f"  error box at {b[0]} from copy {b[1]}: {b[2]}")
    if failures:
        print("RESULT: FAIL")
        for f in failures:
            print(f"  - {f}")
        return 1
    print("RESULT: PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
