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
check fails (the next check starts a fresh pair); each must quit by itself with exit
code 0. Exit code 0 when every check passed, 1 otherwise, 2 on bad usage."""
import argparse
import os
import re
import shlex
import shutil
import signal
import socket
import sys
import tempfile
import time

sys.dont_write_bytecode = True
from interop_support import (CheckFailed, Program, describe, end_programs,  # noqa: E402
                             make_tree, size_of, wait_until, wait_until_equal, write_file)

CHECKS = ["test-chat", "speed", "tree-pack", "tree-resume", "resume-interrupted", "portn"]
TREE_WAIT_S = 60
BIG_FILE = 4_000_000  # goes whole in the Pack run (NO_RESUME_SIZE below)
INTERRUPTED_FILE = 12_000_000
INI_EXTRA = "NO_RESUME_SIZE=6000000\r\nAUTO=0\r\n"


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
    if any("件 完了[" in line for line in sender.lines[mark:sender.mark()]):
        raise CheckFailed("the slowed send ended within a second: nothing left to stop")
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

    def end_pair(self):
        """Ends the shared pair; CheckFailed unless both quit cleanly."""
        pair, self.pair = self.pair, None
        if pair:
            end_programs(*pair)

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
                detail = RUNNERS[name](a if forward else b, b if forward else a, self.args)
                end_programs(a, b)
                return detail
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
        if run.pair:
            try:
                run.end_pair()
                print("ok   quit: both programs ended with exit code 0", flush=True)
            except CheckFailed as failure:
                print(f"FAIL quit: {failure}", flush=True)
                failures += 1
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
