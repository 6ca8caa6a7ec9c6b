"""Support of interop.py: a console program in a sandbox folder of its own, driven
through its standard input and read through the lines it writes, and the test trees
with their comparison. Every wait is bounded."""
import hashlib
import os
import re
import shutil
import signal
import subprocess
import time

START_WAIT_S = 15
WINE_START_WAIT_S = 60
QUIT_WAIT_S = 15


class CheckFailed(Exception):
    pass


def is_wine(command):
    return os.path.basename(command[0]).startswith("wine")


class Program:
    """One console program in its own sandbox folder, listening on `port` (0: nowhere)."""

    def __init__(self, name, command, folder, port, ini_extra):
        self.name = name
        self.folder = folder
        self.port = port
        self.wine = is_wine(command)
        os.makedirs(folder)
        # The program keeps its INI file and receive folder beside itself.
        program = os.path.join(folder, os.path.basename(command[-1]))
        shutil.copy2(command[-1], program)
        ini_name = os.path.splitext(os.path.basename(program))[0] + ".ini"
        with open(os.path.join(folder, ini_name), "w", newline="") as ini:
            ini.write(f"[Quorvane]\r\nWAN=0\r\nNICNAME={name.lower()}\r\n{ini_extra}")
        self.command = command[:-1] + [program, str(port)]
        self.out_path = folder + ".out"
        self.start()

    def start(self):
        env = dict(os.environ, QUORVANE_LANG="ja", QUORVANE_WAN_URL="http://127.0.0.1:9/")
        if self.wine:
            env["WINEDEBUG"] = "-all"
        # Output to a file, not a pipe: wine's helper processes could hold a pipe open.
        self.out = open(self.out_path, "wb")
        self.reader = open(self.out_path, "rb")
        self.lines = []
        self.pending = b""
        self.process = subprocess.Popen(self.command, cwd=self.folder, env=env,
                                        stdin=subprocess.PIPE, stdout=self.out,
                                        stderr=subprocess.STDOUT)

    def send(self, line):
        try:
            self.process.stdin.write((line + "\n").encode("utf-8"))
            self.process.stdin.flush()
        except OSError as error:
            raise CheckFailed(f"{self.name} takes no more input ({error}){self.tail()}")

    def refresh(self):
        self.pending += self.reader.read()
        *complete, self.pending = self.pending.split(b"\n")
        self.lines += [line.decode("utf-8", "replace").rstrip("\r") for line in complete]

    def mark(self):
        self.refresh()
        return len(self.lines)

    def wait_for(self, wanted, seconds, since=0):
        """The first line from line `since` on that holds the text `wanted` (or matches
        the compiled pattern); CheckFailed after `seconds`."""
        deadline = time.monotonic() + seconds
        checked = since
        while True:
            self.refresh()
            for line in self.lines[checked:]:
                if (wanted.search(line) if isinstance(wanted, re.Pattern) else wanted in line):
                    return line
            checked = max(checked, len(self.lines))
            if time.monotonic() > deadline or self.process.poll() is not None:
                break
            time.sleep(0.05)
        what = wanted.pattern if isinstance(wanted, re.Pattern) else wanted
        ended = "" if self.process.poll() is None else f" (it ended with {self.process.poll()})"
        raise CheckFailed(f"{self.name} wrote no line with {what!r} within {seconds} s"
                          f"{ended}{self.tail()}")

    def wait_started(self, again=True):
        seconds = WINE_START_WAIT_S if self.wine else START_WAIT_S
        ready = f"U {self.port} 番ポート待ち受け中.." if self.port else "U 【現在の設定】"
        try:
            self.wait_for(ready, seconds)
        except CheckFailed:
            # Now and then wine fails to start a program at all: it ends at once, silent.
            if not (again and self.wine and self.process.poll() is not None and not self.lines):
                raise
            self.process.stdin.close()
            self.out.close()
            self.reader.close()
            self.start()
            self.wait_started(again=False)

    def tail(self, count=6):
        self.refresh()
        shown = "\n    ".join(self.lines[-count:])
        return f"; its last lines:\n    {shown}" if shown else "; it wrote nothing"

    def stop(self):
        """Asks the program to quit; kills it when it overruns. Its exit code."""
        if self.process.poll() is None:
            try:
                self.process.stdin.write(b"stop\nquit\n")
                self.process.stdin.flush()
            except OSError:
                pass
            try:
                self.process.wait(timeout=QUIT_WAIT_S)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        try:
            self.process.stdin.close()
        except OSError:
            pass
        self.out.close()
        self.reader.close()
        return self.process.returncode


def end_programs(*programs):
    """Stops the programs; CheckFailed unless each quit by itself with exit code 0."""
    faults = []
    for program in programs:
        code = program.stop()
        if code == -signal.SIGKILL:
            faults.append(f"{program.name} did not quit within {QUIT_WAIT_S} s and was killed")
        elif code != 0:
            faults.append(f"{program.name} ended with exit code {code}")
    if faults:
        raise CheckFailed("; ".join(faults))


def wait_until(condition, seconds, failure):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            raise CheckFailed(failure)
        time.sleep(0.05)


def size_of(path):
    try:
        return os.stat(path).st_size
    except OSError:
        return -1


# A fixed last-write time with a fraction of a second, so that a time rounded instead of
# cut to the second shows.
TREE_TIME = 1_600_000_000.75


def write_file(path, size, index):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(os.urandom(size))
    stamp = TREE_TIME + index * 3600
    os.utime(path, (stamp, stamp))


def make_tree(root, big):
    """A tree with Japanese names (with ～ and －), a sub-folder, an empty file and one
    file of `big` bytes; the number of files."""
    files = [("表～一覧－.txt", 100), ("空のファイル.txt", 0),
             ("サブ－フォルダ/画像～大.bin", big), ("サブ－フォルダ/メモ.txt", 3000),
             ("サブ－フォルダ/孫～/深い－.txt", 1)]
    for index, (name, size) in enumerate(files):
        write_file(os.path.join(root, name), size, index)
    return len(files)


def describe(path):
    """A folder, or a file's (size, last-write second, MD5); None when absent."""
    try:
        info = os.stat(path)
    except OSError:
        return None
    if os.path.isdir(path):
        return "folder"
    with open(path, "rb") as data:
        return info.st_size, int(info.st_mtime), hashlib.md5(data.read()).hexdigest()


def tree_of(root):
    entries = {}
    for folder, names, files in os.walk(root):
        for name in names + files:
            path = os.path.join(folder, name)
            entries[os.path.relpath(path, root)] = describe(path)
    return entries


def tree_difference(source, target):
    """What differs between the trees (names, sizes, times, contents); "" when equal."""
    if not os.path.isdir(target):
        return "the receiver has no folder " + os.path.basename(target)
    sent, got = tree_of(source), tree_of(target)
    for name in sorted(set(sent) | set(got)):
        if sent.get(name) != got.get(name):
            return (f"{name}: sent {sent.get(name)}, received {got.get(name)}"
                    " (size, last-write second, MD5)")
    return ""


def wait_until_equal(source, target, seconds):
    deadline = time.monotonic() + seconds
    while difference := tree_difference(source, target):
        if time.monotonic() > deadline:
            raise CheckFailed(f"the received tree differs: {difference}")
        time.sleep(0.2)
