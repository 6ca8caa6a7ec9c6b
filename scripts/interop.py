#!/usr/bin/env python3
"""Two running console programs on 127.0.0.1 talk to each other, each way in turn.

    interop.py --a "CMD..." --b "CMD..." [--only NAME...] [--seconds N] [--limit S] [--keep]

Each CMD is the command that starts a console program: its last word is the program
file (build/quorvane-cli, or build-windows/quorvane-cli.exe behind a wine loader).
The program is copied into a sandbox folder of its own with its INI file and
started there, as a portable program keeps its files beside itself. A command whose
first word is a wine loader runs with WINEDEBUG=-all; its caller keeps a wineserver
running (wineserver -p) so that the first start does not pay for a new one.

The programs are driven through their standard input and read through the tagged
lines they write (the Japanese texts). Checks, each printed on one line ("ok NAME
DIRECTION", "FAIL NAME DIRECTION: why"), each made from A to B and from B to A:

  test-chat           TEST, then a chat line arrives
  speed               a speed test of --seconds; the summary's average is above zero
  tree-pack           a tree with Japanese names goes in Packs (its larger file whole)
  tree-resume         the same tree resumable with MD5 on both sides
  resume-interrupted  a resumable send is stopped half-way, sent again and completes
  portn               a program listening nowhere is reached through PortN

A received tree must equal the sent one: names, contents and last-write times, the
times to the whole second: the peers exchange them as texts to the second. Every wait
is bounded; the programs are told to quit and killed when they overrun, also when a
check fails (the next check starts a fresh pair). Exit code 0 when every check
passed, 1 otherwise, 2 on bad usage."""
import argparse
import hashlib
import os
import re
import shlex
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

CHECKS = ["test-chat", "speed", "tree-pack", "tree-resume", "resume-interrupted", "portn"]
TREE_WAIT_S = 60
BIG_FILE = 4_000_000  # goes whole in the Pack run (NO_RESUME_SIZE below)
INTERRUPTED_FILE = 12_000_000
INI_EXTRA = "NO_RESUME_SIZE=6000000\r\nAUTO=0\r\n"
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
                self.process.stdin.close()
            except OSError:
                pass
            try:
                self.process.wait(timeout=QUIT_WAIT_S)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.out.close()
        self.reader.close()
        return self.process.returncode


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


def connection_test(sender, receiver):
    mark_s, mark_r = sender.mark(), receiver.mark()
    sender.send(f"peer 127.0.0.1:{receiver.port}")
    sender.send("test")
    sender.wait_for("L 接続テストに成功しました", 20, since=mark_s)
    receiver.wait_for("U 【127.0.0.1 より接続テストを受信】", 10, since=mark_r)


def check_test_chat(sender, receiver, _args):
    connection_test(sender, receiver)
    text = f"こんにちは～－{sender.name}"
    mark_r = receiver.mark()
    sender.send(f"chat {text}")
    receiver.wait_for("◆" + text, 20, since=mark_r)
    return ""


def check_speed(sender, receiver, args):
    sender.send(f"peer 127.0.0.1:{receiver.port}")
    mark = sender.mark()
    sender.send("send")
    sender.send(f"wait {args.seconds * 1000}")
    sender.send("stop")
    line = sender.wait_for("# summary: ", args.seconds + 30, since=mark)
    found = re.search(r"average (\d+)", line)
    if not found or int(found.group(1)) <= 0:
        raise CheckFailed(f"no average above zero in {line!r}")
    return line[2:]


def set_modes(programs, *items):
    for program in programs:
        for item in items:
            program.send(f"menu {item}")


def send_tree(sender, receiver, root, mode_items):
    """Drops the tree `root` (under the sender's out/) and waits until the receiver
    holds an equal copy; the sender's lines meanwhile."""
    set_modes((sender, receiver), *mode_items)
    sender.send(f"peer 127.0.0.1:{receiver.port}")
    source = os.path.join(sender.folder, "out", root)
    files = make_tree(source, BIG_FILE)
    mark = sender.mark()
    sender.send(f"drop out/{root}")
    sender.wait_for(f"【{files}件 完了[", TREE_WAIT_S, since=mark)
    sender.wait_for("送信エラー件数:0", 5, since=mark)
    target = os.path.join(receiver.folder, "受信FILE", root)
    wait_until_equal(source, target, 20)
    return sender.lines[mark:]


def wrote(lines, text):
    return any(text in line for line in lines)


def check_tree_pack(sender, receiver, _args):
    lines = send_tree(sender, receiver, f"資料～－Pack{sender.name}",
                      ["Pack転送モード(小さいファイル向け)", "MD5Checkしない"])
    if not wrote(lines, "「** PAK **(") or wrote(lines, " Byte]"):
        raise CheckFailed("the small files went in no Pack, or a file went resumable")
    if not wrote(lines, f"画像～大.bin({BIG_FILE} Bytes)」"):
        raise CheckFailed("the large file was not sent whole")
    return "in Packs, the large file whole"


def check_tree_resume(sender, receiver, _args):
    lines = send_tree(sender, receiver, f"資料～－レジューム{sender.name}",
                      ["レジューム転送モード", "MD5Checkする"])
    if wrote(lines, "** PAK **") or not wrote(lines, f"・[0 ～ {BIG_FILE} Byte]"):
        raise CheckFailed("the files did not go resumable")
    if not wrote(lines, "MD5ﾊｯｼｭ値取得中"):
        raise CheckFailed("the sender computed no MD5")
    return "resumable with MD5"


def check_resume_interrupted(sender, receiver, _args):
    set_modes((sender, receiver), "レジューム転送モード", "MD5Checkする")
    name = f"中断～－{sender.name}.bin"
    source = os.path.join(sender.folder, "out", name)
    write_file(source, INTERRUPTED_FILE, 1)
    partial = os.path.join(receiver.folder, "受信FILE", name + ".tmp")
    # Small chunks with a pause after each: the send takes seconds and can be stopped.
    sender.send(f"peer 127.0.0.1:{receiver.port}")
    sender.send("buf 2000")
    sender.send("menu 負荷(Low)")
    mark = sender.mark()
    sender.send(f"drop out/{name}")
    wait_until(lambda: size_of(partial) > 0, 20, "no partial file arrived")
    time.sleep(1.0)
    mark_r = receiver.mark()
    sender.send("stop")
    sender.wait_for("停止ボタンが押されました", 20, since=mark)
    # Until the receiver has seen the connection end, it refuses a second one the file.
    receiver.wait_for("【127.0.0.1 と切断】", 20, since=mark_r)
    wait_until(lambda: 0 < size_of(partial) < INTERRUPTED_FILE, 10,
                     f"the receiver holds no partial file after the stop "
                     f"(partial {size_of(partial)} of {INTERRUPTED_FILE} bytes)")
    held = size_of(partial)
    sender.send("menu 負荷(High)")
    sender.send("buf 4000")
    mark = sender.mark()
    sender.send(f"drop out/{name}")
    resumed = sender.wait_for(re.compile(rf"・\[(\d+) ～ {INTERRUPTED_FILE} Byte\]"), 30,
                              since=mark)
    start = int(re.search(r"\[(\d+) ～", resumed).group(1))
    if start <= 0:
        raise CheckFailed(f"the second send began at 0, not where the first ended: {resumed!r}")
    sender.wait_for("【1件 完了[", 60, since=mark)
    target = os.path.join(receiver.folder, "受信FILE", name)
    wait_until(lambda: size_of(target) == INTERRUPTED_FILE, 20,
                     "the completed file did not arrive whole")
    if describe(source) != describe(target):
        raise CheckFailed(f"sent {describe(source)}, received {describe(target)}")
    if os.path.exists(partial):
        raise CheckFailed("the partial file is still there after the send completed")
    return f"stopped at {held} bytes, resumed from {start}"


def check_portn(closed, listening, _args):
    mark_c = closed.mark()
    closed.send(f"peer 127.0.0.1:{listening.port}")
    closed.send("portn")
    closed.wait_for("F portn=PN\\r\\nCL\\r\\n01", 20, since=mark_c)
    listening.wait_for("F peer=127.0.0.1:0:", 10)
    listening.send("test")
    listening.wait_for("L 接続テストに成功しました", 20)
    closed.wait_for("U 【127.0.0.1 より接続テストを受信】", 10, since=mark_c)
    return ""


RUNNERS = {
    "test-chat": check_test_chat,
    "speed": check_speed,
    "tree-pack": check_tree_pack,
    "tree-resume": check_tree_resume,
    "resume-interrupted": check_resume_interrupted,
    "portn": check_portn,
}


class Run:
    """The pair of programs the checks share, started anew after a failed check."""

    def __init__(self, args, workdir):
        self.args = args
        self.workdir = workdir
        self.pair = None
        self.started = 0

    def program(self, label, command, port):
        self.started += 1
        folder = os.path.join(self.workdir, f"{label}{self.started}")
        return Program(label, command, folder, port, INI_EXTRA)

    def start_pair(self, port_a=None, port_b=None):
        a = b = None
        try:
            a = self.program("A", self.args.a, port_a if port_a is not None else free_port())
            b = self.program("B", self.args.b, port_b if port_b is not None else free_port())
            a.wait_started()
            b.wait_started()
            return a, b
        except BaseException:
            for program in (a, b):
                if program:
                    program.stop()
            raise

    def shared_pair(self):
        if self.pair is None:
            self.pair = self.start_pair()
        return self.pair

    def drop_pair(self):
        if self.pair:
            for program in self.pair:
                program.stop()
        self.pair = None

    def run_check(self, name, forward):
        if name == "portn":
            # The sender listens nowhere and offers connections to the other.
            a, b = self.start_pair(0, None) if forward else self.start_pair(None, 0)
            try:
                return RUNNERS[name](a if forward else b, b if forward else a, self.args)
            finally:
                a.stop()
                b.stop()
        a, b = self.shared_pair()
        return RUNNERS[name](a if forward else b, b if forward else a, self.args)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def parse_args(argv):
    parser = argparse.ArgumentParser(description="Two console programs talk on loopback.")
    parser.add_argument("--a", required=True, type=shlex.split, help="command of program A")
    parser.add_argument("--b", required=True, type=shlex.split, help="command of program B")
    parser.add_argument("--only", nargs="+", choices=CHECKS, metavar="NAME",
                        help="run only these checks: " + ", ".join(CHECKS))
    parser.add_argument("--seconds", type=int, default=10, help="speed test seconds (10)")
    parser.add_argument("--limit", type=int, default=170,
                        help="seconds after which no further check starts (170)")
    parser.add_argument("--keep", action="store_true",
                        help="keep the sandbox folders and outputs (their folder is printed)")
    args = parser.parse_args(argv)
    for command in (args.a, args.b):
        if not command or not os.path.isfile(command[-1]):
            parser.error(f"no program file at the end of {shlex.join(command)!r}")
    if args.seconds < 1:
        parser.error("--seconds must be at least 1")
    return args


def main(argv):
    args = parse_args(argv)
    # A ctest timeout or Ctrl-C still ends both programs (the finally clauses below).
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    deadline = time.monotonic() + args.limit
    failures = 0
    workdir = tempfile.mkdtemp(prefix="qv-interop-")
    run = Run(args, workdir)
    try:
        for name in args.only or CHECKS:
            for forward in (True, False):
                label = f"{name} {'A->B' if forward else 'B->A'}"
                if time.monotonic() > deadline:
                    print(f"FAIL {label}: not run, the {args.limit} s limit was reached",
                          flush=True)
                    failures += 1
                    continue
                begun = time.monotonic()
                try:
                    detail = run.run_check(name, forward)
                    spent = time.monotonic() - begun
                    print(f"ok   {label} ({spent:.1f} s){': ' + detail if detail else ''}",
                          flush=True)
                except CheckFailed as failure:
                    print(f"FAIL {label}: {failure}", flush=True)
                    failures += 1
                    run.drop_pair()
    finally:
        run.drop_pair()
        if args.keep:
            print(f"interop: the sandboxes are kept in {workdir}")
        else:
            shutil.rmtree(workdir, ignore_errors=True)
    print(f"interop: {'all checks passed' if failures == 0 else f'{failures} checks failed'}")
    return 0 if failures == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
