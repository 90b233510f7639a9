#!/usr/bin/python3
"""Forty browsers at once: simulated pupils doing whole runs through the browser drill's API on
loopback, while desktop programs append runs to the same record file and, halfway, a teacher
erases a record.

    serve_load.py PROGRAM SECONDS BROWSERS APPENDER ERASER

APPENDER is the record tests' second computer (record_file_child: "append PATH STUDENT 1" is one
desktop run through the program's own append), ERASER the sharing tests' (record_sharing_child:
"erase-on-go PATH N" erases record N through the teacher tools' erase after a line on stdin).
Prints the figures (runs, records, latency percentiles outside and during the erase, the
server's memory) and fails when a run is lost, doubled or torn, or a latency misses its goal.
Traffic goes to 127.0.0.1 only; it stops by itself.
"""
import datetime
import http.client
import json
import os
import random
import struct
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "web"))
from page_test import make_school, ole_date, start_server  # noqa: E402

YEAR_OF_RECORDS = 20000


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
    appender, eraser = sys.argv[4], sys.argv[5]
    top = tempfile.mkdtemp(prefix="kazutobi-load-")
    records = make_school(top, program)
    # A school year's records before the day, as a classroom computer's share holds them: every
    # request's figures are counted over them. Pupils 7..999, not on the test's roster.
    rng = random.Random(1)
    today = ole_date(datetime.date.today())
    with open(records, "ab") as f:
        f.write(b"".join(struct.pack("<ddhhi5s5s5s5s", today - rng.randint(1, 300), rng.random(),
                                     rng.randint(7, 999), rng.randint(1, 4), rng.randint(20, 200),
                                     b"12345", b"     ", b"0    ", b"\0" * 5) for _ in range(YEAR_OF_RECORDS)))
    proc, url = start_server(top)
    # The server writes a line per run: read them as they come, or its output pipe fills and
    # it waits on it.
    log = []
    threading.Thread(target=lambda: log.extend(proc.stdout), daemon=True).start()
    port = int(url.rsplit(":", 1)[1].strip("/"))
    rss_start = rss_kb(proc.pid)
    stop_at = time.monotonic() + seconds
    latencies, lock = [], threading.Lock()  # (started, seconds) of every request
    recorded = []  # (pupil, level, time) of every run the server said it recorded
    failures = []

    def request(conn, method, path, body=None):
        t = time.monotonic()
        conn.request(method, path, body=json.dumps(body) if body else None,
                     headers={"Content-Type": "application/json"})
        r = conn.getresponse()
        data = json.loads(r.read() or b"{}")
        with lock:
            latencies.append((t, time.monotonic() - t))
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

    appended = []  # the desktop runs' pupils, one each: lost or doubled shows in their count

    def desktop():
        # Another computer's program: each run one append through its own lock and path check.
        student = 1000
        while time.monotonic() < stop_at:
            out = subprocess.run([appender, "append", records, str(student), "1"], capture_output=True, text=True)
            if out.returncode != 0 or "done" not in out.stdout:
                failures.append(("desktop append", out.returncode, out.stdout))
            else:
                appended.append(student)
            student += 1
            time.sleep(0.5)

    erase = {}  # the erase's start and end on this clock

    def teacher():
        # Halfway, the teacher erases the school's oldest record (the seeded one) from another
        # computer; a held lock makes it give up, and the teacher tries again.
        time.sleep(seconds / 2)
        for _ in range(50):
            child = subprocess.Popen([eraser, "erase-on-go", records, "1"], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True)
            child.stdout.readline()  # "ready"
            erase.setdefault("from", time.monotonic())
            child.communicate("go\n")
            if child.returncode == 0:
                erase["to"] = time.monotonic()
                return
            time.sleep(0.2)
        failures.append(("erase", "never done"))

    threads = [threading.Thread(target=browser, args=(n,)) for n in range(browsers)]
    threads.append(threading.Thread(target=desktop))
    threads.append(threading.Thread(target=teacher))
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    rss_end = rss_kb(proc.pid)
    proc.terminate()
    proc.wait()

    with open(records, "rb") as f:
        data = f.read()
    assert len(data) % 44 == 0, "torn record file: %d bytes" % len(data)
    rows = [struct.unpack("<ddhhi5s5s5s5s", data[i:i + 44]) for i in range(0, len(data), 44)]
    served = sorted((r[2], r[3], r[4]) for r in rows if 1 <= r[2] <= 6 and r[3] == 4)
    desk = sorted(r[2] for r in rows if r[2] >= 1000)
    year = sum(1 for r in rows if 7 <= r[2] <= 999)
    seeded = [r for r in rows if r[2] == 6 and r[3] == 2]
    torn = [r for r in rows if r[5] != b"12345"]
    during = [ms for t, ms in latencies if "to" in erase and t + ms >= erase["from"] and t <= erase["to"]]
    outside = sorted(ms for t, ms in latencies if not ("to" in erase and t + ms >= erase["from"] and t <= erase["to"]))
    lat = sorted(ms for t, ms in latencies)
    p95 = lat[int(0.95 * (len(lat) - 1))] * 1000
    worst_outside = outside[-1] * 1000
    worst_during = max(during, default=0) * 1000
    print("serve load: %d browsers, %.0f s: %d runs recorded (%d records of them), %d desktop appends (%d in file), "
          "erase %.0f ms, %d requests, p95 %.1f ms, worst %.1f ms outside the erase, %.1f ms during it "
          "(%d requests), server memory %+.1f MB, %d failures"
          % (browsers, seconds, len(recorded), len(served), len(appended), len(desk),
             (erase.get("to", 0) - erase.get("from", 0)) * 1000, len(lat), p95, worst_outside, worst_during,
             len(during), (rss_end - rss_start) / 1024, len(failures)))
    assert not torn, "torn records: %r" % torn[:3]
    assert served == sorted(recorded), "runs lost or doubled"
    assert desk == sorted(appended), "desktop appends lost or doubled"
    assert year == YEAR_OF_RECORDS, "earlier records lost: %d of %d" % (year, YEAR_OF_RECORDS)
    assert "to" in erase and not seeded, "the erase did not take"
    assert not failures, failures[:3]
    assert p95 <= 50 and worst_outside <= 250 and worst_during <= 1500, "latency over its goal"
    assert (rss_end - rss_start) / 1024 <= 10, "server memory grew"


if __name__ == "__main__":
    main()
