"""Hostile loopback peers for bench/hostile.sh (bounded in bytes and time).

  hostile_peers.py memory PORT MIB SECONDS
  hostile_peers.py starve PORT TESTS   -> prints the slowest TEST answer in ms
  hostile_peers.py pub1 PORT ROUNDS    -> prints the slowest TEST answer in ms
"""
import select
import socket
import sys
import time

STAMP = "|2020/01/02 03:04:05|2020/01/02 03:04:05|"


def send_header(size):
    return ("SEND-REQ:huge.bin|%d|%s%s" % (size, " " * 32, STAMP)).encode() + b"\0"


def connect(port, source_host=1, blocking=True):
    s = socket.socket()
    if source_host != 1:
        s.bind(("127.0.0.%d" % source_host, 0))
    s.setblocking(blocking)
    try:
        s.connect(("127.0.0.1", port))
    except BlockingIOError:
        pass
    return s


def memory(port, mib, seconds):
    peers = [connect(port) for _ in range(5)]
    for p in peers:
        p.sendall(send_header(9999999999))
        p.setblocking(False)
    block = b"\x5a" * 65536
    left = {p: mib << 20 for p in peers}
    end = time.monotonic() + seconds
    while left and time.monotonic() < end:
        _, writable, _ = select.select([], list(left), [], 0.5)
        for p in writable:
            try:
                left[p] -= p.send(block)
            except OSError:
                left[p] = 0
            if left[p] <= 0:
                del left[p]
    time.sleep(0.5)
    for p in peers:
        p.close()


def answered_ms(port):
    start = time.monotonic()
    s = connect(port)
    s.sendall(b"TEST-REQ:1234|bench@abcdef\0")
    s.settimeout(10)
    reply = b""
    try:
        while not reply.startswith(b"OK"):
            data = s.recv(16)
            if not data:
                break
            reply += data
    except OSError:
        pass
    s.close()
    return (time.monotonic() - start) * 1000 if reply.startswith(b"OK") else 10000


def reopen_closed(held, port, source_host, first_bytes):
    readable, _, _ = select.select(held, [], [], 0)
    for s in readable:
        try:
            gone = s.recv(64) == b""
        except OSError:
            gone = True
        if gone:
            s.close()
            held.remove(s)
            fresh = connect(port, source_host, blocking=False)
            held.append(fresh)
            if first_bytes:
                try:
                    fresh.send(first_bytes)
                except OSError:
                    pass


def starve(port, tests):
    idle = [connect(port, 2, blocking=False) for _ in range(200)]
    trickle = [connect(port, 3) for _ in range(20)]
    for s in trickle:
        s.sendall(send_header(9999999999) + b"x")
        s.setblocking(False)
    slowest = 0
    last_trickle = time.monotonic()
    for _ in range(tests):
        for _ in range(10):
            time.sleep(0.2)
            reopen_closed(idle, port, 2, b"")
            reopen_closed(trickle, port, 3, send_header(9999999999))
            if time.monotonic() - last_trickle >= 4:
                for s in trickle:
                    try:
                        s.send(b"x")
                    except OSError:
                        pass
                last_trickle = time.monotonic()
        slowest = max(slowest, answered_ms(port))
    for s in idle + trickle:
        s.close()
    print(max(1, int(slowest)))


def hanging_port():
    """A loopback port whose accept queue is full: a connect to it hangs (the kernel
    drops its SYNs) until the connecting side gives up."""
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(0)
    filler = connect(listener.getsockname()[1])
    return listener, filler


def pub1(port, rounds):
    """Each round three peers ask for the public list toward a port that never
    answers (so the receiver's answers hang in connect), then a TEST is timed."""
    try:
        with open("/proc/sys/net/ipv4/tcp_abort_on_overflow") as setting:
            if setting.read().strip() != "0":
                print("hostile_peers: full accept queues reset here; connects do not hang",
                      file=sys.stderr)
    except OSError:
        pass
    listener, filler = hanging_port()
    target = listener.getsockname()[1]
    slowest = 0
    for round_number in range(rounds):
        for i in range(3):
            s = connect(port)
            s.sendall(("PUB1-REQ:%d|evil%d-%d@abcdef" % (target, round_number, i)).encode() + b"\0")
            s.close()
        time.sleep(0.3)
        slowest = max(slowest, answered_ms(port))
        time.sleep(0.7)
    filler.close()
    listener.close()
    print(max(1, int(slowest)))


if __name__ == "__main__":
    if sys.argv[1] == "memory":
        memory(int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4]))
    elif sys.argv[1] == "pub1":
        pub1(int(sys.argv[2]), int(sys.argv[3]))
    else:
        starve(int(sys.argv[2]), int(sys.argv[3]))
