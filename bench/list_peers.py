"""Loopback senders of large lists for bench/list-memory.sh (bounded in bytes and time).

  list_peers.py lst PORT MB RX_PID
      sends one "** LST **" list of MB megabytes to 127.0.0.1:PORT and reads the answer
  list_peers.py pub1 PORT MB RX_PID RX_OUT
      listens on a free port of 127.0.0.1 and prints it; answers the PUB1-REQ that
      arrives there with "OK", then sends a "** PUB1 **" list of MB megabytes to
      127.0.0.1:PORT; then goes on sampling until the pick dialog that opens on the
      list has shown its last item in RX_OUT (the receiver's output), and says how
      long that took and the peak on standard error

While the list is sent and handled, the anonymous resident memory of RX_PID (its heap:
mapped file pages are left out) is read every few milliseconds. The last line printed
is "bytes=B lines=L idle_kb=I peak_kb=P kept_kb=K ms=T answer=A": the payload, its
lines, the receiver's anonymous memory before, at its peak and 0.8 s after the
connection closed, the time from the first byte sent to the close, and the answer's
length (LST) or -1.
"""
import socket
import sys
import threading
import time

STAMP = b"2020/01/02 03:04:05"
IDENTITY = b"bench@abcdef"
# Nothing in the bench may run longer than this.
LIMIT_S = 300


def anon_kb(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("RssAnon:"):
                return int(line.split()[1])
    return 0


class Sampler(threading.Thread):
    """The highest anonymous resident memory of a process while it runs."""

    def __init__(self, pid):
        super().__init__(daemon=True)
        self.pid = pid
        self.peak = anon_kb(pid)
        self.running = True

    def run(self):
        while self.running:
            self.peak = max(self.peak, anon_kb(self.pid))
            time.sleep(0.002)

    def stop(self):
        self.running = False
        self.join()
        self.peak = max(self.peak, anon_kb(self.pid))


def lst_payload(size):
    """LST lines of some 59 bytes (about 1.69 million to 100 MB) in folders the
    receiver lacks: the first check of a large tree."""
    lines = []
    total = 0
    n = 0
    while total < size:
        line = b"%02d\\%07d.txt\t%d\t%s\t%s\t\n" % (n // 100000, n, 10000 + n % 90000, STAMP, STAMP)
        lines.append(line)
        total += len(line)
        n += 1
    return b"".join(lines), n


def pub1_payload(size):
    """Public list lines "name\\tsize" of some 59 bytes."""
    lines = []
    total = 0
    n = 0
    while total < size:
        line = b"photos\\%04d\\holiday\\IMG_%08d_camera.jpg\t%d\n" % (n // 1000, n, 100000 + n)
        lines.append(line)
        total += len(line)
        n += 1
    return b"".join(lines), n


def send_request(name, payload, port, reply_port):
    header = b"SEND-REQ:%s|%d|%s|%s|%s|%d|%s|" % (
        name, len(payload), b" " * 32, STAMP, STAMP, reply_port, IDENTITY)
    s = socket.create_connection(("127.0.0.1", port), timeout=LIMIT_S)
    s.sendall(header + b"\0" + payload)
    answer = b""
    while True:
        data = s.recv(65536)
        if not data:
            break
        answer += data
    s.close()
    return answer


def measure(rx_pid, send):
    """Runs send() while sampling; returns idle, peak and kept memory and the time."""
    idle = anon_kb(rx_pid)
    sampler = Sampler(rx_pid)
    sampler.start()
    start = time.monotonic()
    result = send()
    ms = int((time.monotonic() - start) * 1000)
    # The pick dialog opens on a public list a second after it arrived.
    time.sleep(0.8)
    sampler.stop()
    return idle, sampler.peak, anon_kb(rx_pid), ms, result


def report(payload, lines, figures, answer_length):
    idle, peak, kept, ms, _ = figures
    print("bytes=%d lines=%d idle_kb=%d peak_kb=%d kept_kb=%d ms=%d answer=%d"
          % (len(payload), lines, idle, peak, kept, ms, answer_length), flush=True)


def lst(port, mb, rx_pid):
    payload, lines = lst_payload(mb * 1000000)
    figures = measure(rx_pid, lambda: send_request(b"** LST **", payload, port, 4321))
    answer = figures[4]
    if answer.strip(b"01") != b"":
        print("list_peers: the answer holds other than 0 and 1", file=sys.stderr)
    report(payload, lines, figures, len(answer))


def wait_for_dialog(rx_pid, rx_out, lines):
    sampler = Sampler(rx_pid)
    sampler.start()
    start = time.monotonic()
    shown = False
    while not shown and time.monotonic() - start < LIMIT_S:
        time.sleep(0.2)
        with open(rx_out, "rb") as out:
            out.seek(0, 2)
            out.seek(max(0, out.tell() - 4096))
            shown = b"# %d: " % lines in out.read()
    sampler.stop()
    print("list-memory-pub1: the pick dialog showed the list after %.1f s; receiver heap"
          " peak %d kB" % (time.monotonic() - start, sampler.peak), file=sys.stderr, flush=True)


def pub1(port, mb, rx_pid, rx_out):
    payload, lines = pub1_payload(mb * 1000000)
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    listener.settimeout(30)
    print(listener.getsockname()[1], flush=True)
    asker, _ = listener.accept()
    asker.settimeout(10)
    request = b""
    while b"\0" not in request:
        data = asker.recv(4096)
        if not data:
            break
        request += data
    asker.sendall(b"OK")
    asker.close()
    listener.close()
    figures = measure(rx_pid, lambda: send_request(b"** PUB1 **", payload, port, 4321))
    report(payload, lines, figures, -1)
    wait_for_dialog(rx_pid, rx_out, lines)


if __name__ == "__main__":
    mode, port, mb, pid = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    if mode == "lst":
        lst(port, mb, pid)
    else:
        pub1(port, mb, pid, sys.argv[5])
