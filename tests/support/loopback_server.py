#!/usr/bin/env python3
"""A small HTTP server for tests, run as a process of its own on 127.0.0.1 at a port the kernel
picks. It prints the port, then takes commands on standard input, one a line, and answers each
on standard output:
  route <hex path> <kind> <hex bytes>   answer requests for the path so ("ok")
  count <hex path>                      the requests for the path so far
  total                                 all requests so far
The kinds: canned (the bytes, then close), stall (the bytes, then nothing until the client gives
up), endless (the bytes, then body bytes without end), close (close without a byte). Other paths
get a 404 page. The server ends when its standard input ends."""
import os
import select
import socket
import sys
import threading
import time

LONGEST_CONNECTION = 60.0
routes = {}
counts = {}
total = 0
lock = threading.Lock()


def wait_for(connection, readable, deadline):
    remaining = max(deadline - time.monotonic(), 0)
    if readable:
        ready, _, _ = select.select([connection], [], [], remaining)
    else:
        _, ready, _ = select.select([], [connection], [], remaining)
    return bool(ready)


def send_all(connection, data, deadline):
    view = memoryview(data)
    while view:
        if not wait_for(connection, False, deadline):
            return False
        try:
            sent = connection.send(view)
        except OSError:
            return False
        if sent <= 0:
            return False
        view = view[sent:]
    return True


def delimited(data):
    """True when the reply's header gives the length of its body: the client may then send its
    next request on the same connection."""
    head = data.split(b"\r\n\r\n", 1)[0].lower()
    return b"\r\ncontent-length:" in head


def handle(connection):
    global total
    deadline = time.monotonic() + LONGEST_CONNECTION
    try:
        pending = b""
        while True:
            while b"\r\n\r\n" not in pending and len(pending) < 65536:
                if not wait_for(connection, True, deadline):
                    return
                got = connection.recv(4096)
                if not got:
                    return
                pending += got
            request, _, pending = pending.partition(b"\r\n\r\n")
            parts = request.split(b" ")
            path = parts[1] if len(parts) > 1 else b""
            with lock:
                counts[path] = counts.get(path, 0) + 1
                total += 1
                kind, data = routes.get(
                    path, ("canned", b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"))
            if kind == "close":
                return
            if not send_all(connection, data, deadline):
                return
            if kind == "stall":
                # Until the client closes (the socket turns readable with nothing to read).
                while wait_for(connection, True, deadline):
                    if not connection.recv(4096):
                        return
                return
            if kind == "endless":
                chunk = b"x" * 16384
                while send_all(connection, chunk, deadline):
                    pass
                return
            if not delimited(data):
                # The close ends the body; what the client still sends is read first, so that
                # the close does not reset the connection under the reply.
                connection.shutdown(socket.SHUT_WR)
                drain_until = min(deadline, time.monotonic() + 5.0)
                while wait_for(connection, True, drain_until):
                    if not connection.recv(4096):
                        break
                return
            # A reply of known length: the client may ask again on this connection.
    except OSError:
        pass
    finally:
        connection.close()


def serve(listener):
    while True:
        connection, _ = listener.accept()
        threading.Thread(target=handle, args=(connection,), daemon=True).start()


def main():
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print(listener.getsockname()[1], flush=True)
    threading.Thread(target=serve, args=(listener,), daemon=True).start()
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        if words[0] == "route" and len(words) >= 3:
            data = bytes.fromhex(words[3]) if len(words) > 3 else b""
            with lock:
                routes[bytes.fromhex(words[1])] = (words[2], data)
            answer = "ok"
        elif words[0] == "count" and len(words) == 2:
            with lock:
                answer = str(counts.get(bytes.fromhex(words[1]), 0))
        elif words[0] == "total":
            with lock:
                answer = str(total)
        else:
            answer = "?"
        print(answer, flush=True)
    # Connections still open (a stalled client) end with the process.
    os._exit(0)


if __name__ == "__main__":
    main()
