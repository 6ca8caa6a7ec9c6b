#!/usr/bin/env python3
"""The Linux side of the LinuxPeer test: listens on 127.0.0.1, starts the test program
(through wine when given) with that port, answers its call, calls it back on the port
it names and reads its last word. Every wait is bounded; the program is ended when it
overruns. Usage: wine-interop.py [WINE] TEST_PROGRAM"""
import os
import socket
import subprocess
import sys
import tempfile

LIMIT_S = 60


def read_line(conn):
    line = b""
    while not line.endswith(b"\n") and len(line) < 200:
        piece = conn.recv(1)
        if not piece:
            break
        line += piece
    return line.decode("ascii", "replace")


def serve(listener):
    conn, _ = listener.accept()
    with conn:
        conn.settimeout(20)
        call = read_line(conn).split()
        if len(call) != 2 or call[0] != "CALL" or not call[1].isdigit():
            return f"unexpected call {call!r}"
        conn.sendall(b"ANSWER\n")
        with socket.create_connection(("127.0.0.1", int(call[1])), timeout=20) as back:
            back.sendall(b"BACK\n")
            last = read_line(back)
            return None if last == "DONE\n" else f"unexpected last word {last!r}"


def main():
    command = sys.argv[1:] + ["--gtest_filter=LinuxPeer.*"]
    with socket.socket() as listener, tempfile.TemporaryFile() as output:
        listener.bind(("127.0.0.1", 0))
        listener.listen(1)
        listener.settimeout(LIMIT_S)
        env = dict(os.environ, QV_LINUX_PEER_PORT=str(listener.getsockname()[1]))
        # Output to a file, not a pipe: wine's helper processes could hold a pipe open.
        program = subprocess.Popen(command, env=env, stdout=output, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL)
        try:
            fault = serve(listener)
            code = program.wait(timeout=LIMIT_S)
        except (OSError, subprocess.TimeoutExpired) as error:
            fault, code = f"no exchange: {error}", None
        finally:
            if program.poll() is None:
                program.kill()
                program.wait()
        output.seek(0)
        text = output.read().decode("utf-8", "replace")
        sys.stdout.write(text)
        if "[  SKIPPED ]" in text:
            fault = "the test program skipped the exchange"
    if fault or code != 0:
        print(f"wine-interop: {fault or 'the test program failed'}")
        return 1
    print("wine-interop: both ways ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
