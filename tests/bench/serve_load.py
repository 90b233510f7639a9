#!/usr/bin/python3
"""Forty browsers at once: simulated pupils doing whole runs through the browser drill's API on
loopback, while another program appends runs to the same record file under its lock.

    serve_load.py PROGRAM [SECONDS] [BROWSERS]

Prints the figures (runs, records, latency percentiles, the server's memory) and fails when a
run is lost, doubled or torn. Traffic goes to 127.0.0.1 only; it stops by itself.
"""
import fcntl
import http.client
import json
import os
import random
import struct
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "web"))
from page_test import make_school, start_server  # noqa: E402


def rss_kb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def main():
    program = sys.argv[1]
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 120
    browsers = int(sys.argv[3]) if len(sys.argv) > 3 else 40
    top = tempfile.mkdtemp(prefix="kazutobi-load-")
    records = make_school(top, program)
    proc, url = start_server(top)
    port = int(url.rsplit(":", 1)[1].strip("/"))
    rss_start = rss_kb(proc.pid)
    stop_at = time.monotonic() + seconds
    latencies, lock = [], threading.Lock()
    recorded = []  # (pupil, level, time) of every run the server said it recorded
    failures = []

    def request(conn, method, path, body=None):
        t = time.monotonic()
        conn.request(method, path, body=json.dumps(body) if body else None,
                     headers={"Content-Type": "application/json"})
        r = conn.getresponse()
        data = json.loads(r.read() or b"{}")
        with lock:
            latencies.append(time.monotonic() - t)
        return r.status, data

    def browser(n):
        conn = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
        rng = random.Random(n)
        pupil = 1 + n % 6
        while time.monotonic() < stop_at:
            status, menu = request(conn, "GET", "/api/menu?pupil=%d" % pupil)
            level = 4  # never closed: the target level
            status, run = request(conn, "POST", "/api/start", {"pupil": pupil, "level": level, "device": "b%d" % n})
            if status != 200:
                failures.append(("start", status, run))
                time.sleep(1)
                continue
            started = time.monotonic()
            problem, step = run["problem"], 0
            while True:
                time.sleep(rng.uniform(0.3, 0.8))
                step += 1
                status, reply = request(conn, "POST", "/api/answer", {
                    "run": run["run"], "step": step, "answer": str(int(sum(problem["numbers"]))),
                    "clientMs": int((time.monotonic() - started) * 1000)})
                if status != 200:
                    failures.append(("answer", status, reply))
                    break
                if reply["state"] == "finished":
                    with lock:
                        recorded.append((pupil, level, reply["time"]))
                    break
                problem = reply["problem"]
        conn.close()

    appended = [0]

    def desktop():
        # Another computer's program: whole records appended under the file's lock.
        rec = struct.pack("<ddhhi5s5s5s5s", 46000.0, 0.5, 6, 1, 99, b"12345", b"     ", b"0    ", b"\0" * 5)
        while time.monotonic() < stop_at:
            with open(records, "ab") as f:
                fcntl.lockf(f, fcntl.LOCK_EX)
                f.write(rec)
                f.flush()
                time.sleep(0.05)  # holds the lock a while, as a slow share would
                fcntl.lockf(f, fcntl.LOCK_UN)
            appended[0] += 1
            time.sleep(0.5)

    threads = [threading.Thread(target=browser, args=(n,)) for n in range(browsers)]
    threads.append(threading.Thread(target=desktop))
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    rss_end = rss_kb(proc.pid)
    proc.terminate()
    proc.communicate()

    with open(records, "rb") as f:
        data = f.read()
    assert len(data) % 44 == 0, "torn record file: %d bytes" % len(data)
    rows = [struct.unpack("<ddhhi5s5s5s5s", data[i:i + 44]) for i in range(0, len(data), 44)]
    served = sorted((r[2], r[3], r[4]) for r in rows[1:] if r[3] == 4)
    desk = sum(1 for r in rows[1:] if r[3] == 1 and r[4] == 99)
    lat = sorted(latencies)
    p95 = lat[int(0.95 * (len(lat) - 1))] * 1000
    worst = lat[-1] * 1000
    print("serve load: %d browsers, %.0f s: %d runs recorded (%d records of them), %d desktop appends (%d in file), "
          "%d requests, p95 %.1f ms, worst %.1f ms, server memory %+.1f MB, %d failures"
          % (browsers, seconds, len(recorded), len(served), appended[0], desk, len(lat), p95, worst,
             (rss_end - rss_start) / 1024, len(failures)))
    assert served == sorted(recorded), "runs lost or doubled"
    assert desk == appended[0], "desktop appends lost"
    assert not failures, failures[:3]


if __name__ == "__main__":
    main()
