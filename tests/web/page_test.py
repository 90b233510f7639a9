#!/usr/bin/python3
"""The browser drill's page in a real browser: headless Chromium against `kazutobi --serve` on
loopback, on a small school of its own.

    page_test.py PROGRAM run      a whole run by the on-screen keypad at tablet size, by touch,
                                  with a wrong answer; the record checked field by field
    page_test.py PROGRAM sounds   the right answer's sounds missing: the sound error at the fourth
    page_test.py PROGRAM frames   the frame counts of a level-4 problem (run it alone)
    page_test.py PROGRAM shots DIR   screenshots of every screen at three sizes

PROGRAM may be the Windows program (kazutobi.exe in the folder of the zip): it serves under Wine
(scripts/wine-run) and the same browser drills against it.
"""
import datetime
import json
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time
import urllib.request
import wave

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.common.exceptions import TimeoutException
from selenium.webdriver.support.ui import WebDriverWait

CRITERIA = ("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n"
            "55,80,60,5,1,20,0,7,3,,,\r\n45,65,60,5,1.2,20,0,7,3,,,\r\n"
            "35,55,60,5,1.5,20,0,7,3,,,\r\n27,45,60,5,2,0,0,7,3,,,\r\n")


def cp932(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(text.encode("cp932"))


def ole_date(d):
    return float((d - datetime.date(1899, 12, 30)).days)


WINDOWS = False  # the program is the Windows one, run under Wine


def make_school(top, program):
    """A school like a classroom's: the program folder beside the path file, the shared folder."""
    global WINDOWS
    WINDOWS = program.endswith(".exe")
    share = os.path.join(top, "share") + "/"
    if WINDOWS:  # the folder of the zip, its DLLs included
        shutil.copytree(os.path.dirname(os.path.abspath(program)), os.path.join(top, "kazutobi"))
    else:
        os.makedirs(os.path.join(top, "kazutobi"))
        shutil.copy(program, os.path.join(top, "kazutobi", "kazutobi"))
    shown = "Z:" + share.replace("/", "\\") if WINDOWS else share
    cp932(os.path.join(top, "パスデータ.txt"), shown + ",,,,,,,,,\r\n")
    cp932(share + "共通データ.txt", "4,12345テスト小学校,0,0,0,1234,,,,\r\n")
    year = datetime.date.today().year - (1 if datetime.date.today().month < 4 else 0)
    roster = "".join("%d,%d,0,0,せいと%d,0,,\r\n" % (n, year - 6 - n, n) for n in range(1, 7))
    cp932(share + "新名簿.txt", roster)
    cp932(share + "音フォルダ/新音ファイル.txt", "正解音2,ok1,ok2,*\r\n間違い音2,ng,*\r\n自己最高音2,self,*\r\n不合格音1,fail,*\r\n")
    # Short real sounds: the page counts a right or wrong answer's sound that fails.
    for name in ("ok1", "ok2", "ng", "self", "fail", "最高1", "合格", "警告1"):
        with wave.open(share + "音フォルダ/%s.wav" % name, "wb") as w:
            w.setnchannels(1)
            w.setsampwidth(2)
            w.setframerate(8000)
            w.writeframes(b"\0\0" * 400)  # 50 ms
    cp932(share + "kazutobi/タイム回数データ.txt", CRITERIA)
    # One earlier run with reserved bytes: the desktop's append copies those of the record last read.
    old = struct.pack("<ddhhi5s5s5s5s", ole_date(datetime.date.today() - datetime.timedelta(days=3)), 0.4,
                      6, 2, 70, b"12345", b"     ", b"0    ", b"\x01\x02\x03\x04\x05")
    with open(share + "kazutobi/成績累積データ.dat", "wb") as f:
        f.write(old)
    return share + "kazutobi/成績累積データ.dat"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start_server(top):
    port = free_port()
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", SDL_AUDIODRIVER="dummy")
    command = [os.path.join(top, "kazutobi", "kazutobi"), "--serve", "--no-window", "--listen", "127.0.0.1:%d" % port]
    if WINDOWS:  # Wine takes a while to start; the DLLs are beside the program
        command = [os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "wine-run"),
                   command[0] + ".exe"] + command[1:]
        env["KAZUTOBI_WINE_PATH"] = ""
        del env["QT_QPA_PLATFORM"]  # the zip holds the Windows platform alone
    proc = subprocess.Popen(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    url = "http://127.0.0.1:%d/" % port
    for _ in range(600 if WINDOWS else 100):
        try:
            urllib.request.urlopen(url, timeout=1).read()
            return proc, url
        except OSError:
            if proc.poll() is not None:
                raise SystemExit("server ended: " + proc.stdout.read().decode())
            time.sleep(0.1)
    raise SystemExit("server did not answer")


# Wrapped before the page's own script runs: every JSON answer the server gives the page is kept
# (window.served), so a test takes each problem's numbers from what the server sent, never from
# the flash, which a loaded machine may show for less than the test's polling interval.
KEEP_ANSWERS = """
(() => {
  window.served = [];
  const pageFetch = window.fetch.bind(window);
  window.fetch = async (...args) => {
    const res = await pageFetch(...args);
    try { window.served.push(await res.clone().json()); } catch (e) { /* not JSON */ }
    return res;
  };
})();
"""


def browser(top, width, height, touch):
    opts = webdriver.ChromeOptions()
    opts.binary_location = "/usr/bin/chromium"
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--autoplay-policy=no-user-gesture-required", "--lang=ja",
                 "--user-data-dir=" + tempfile.mkdtemp(dir=top), "--window-size=%d,%d" % (width, height)):
        opts.add_argument(flag)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=opts)
    driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": KEEP_ANSWERS})
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": touch})
    if touch:
        driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})
    return driver


def tap(driver, element):
    """A finger's tap at the element's centre, through the browser's touch input."""
    r = driver.execute_script("const r = arguments[0].getBoundingClientRect();"
                              "return [r.left + r.width / 2, r.top + r.height / 2];", element)
    point = [{"x": r[0], "y": r[1]}]
    driver.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": "touchStart", "touchPoints": point})
    driver.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})


PAGE_STATE = ("return {screen: Array.from(document.querySelectorAll('.screen')).filter(s => !s.hidden)"
              ".map(s => s.id), error: document.getElementById('error').textContent,"
              " flash: document.getElementById('flash').textContent, flashCount: window.flashCount,"
              " typed: document.getElementById('typed').textContent, served: window.served.slice(-3)}")


def wait(driver, script, timeout=60):
    try:
        return WebDriverWait(driver, timeout).until(lambda d: d.execute_script(script))
    except TimeoutException:
        raise AssertionError("waited in vain for: %s\npage: %s" % (script, json.dumps(
            driver.execute_script(PAGE_STATE), ensure_ascii=False))) from None


# The result screen 500 ms on, its buttons shown (they stay so, hidden with the screen, until the
# next result).
RESULT_READY = ("return !document.getElementById('result').hidden"
                " && !document.getElementById('toMenu').hidden")
# The page takes "＋" once the wrong answer's sound has ended (the page's own phase).
PHASE_WRONG = "window.drillPhase && window.drillPhase() === 'wrong'"


def key(driver, k):
    tap(driver, driver.find_element(By.CSS_SELECTOR, '#keypad button[data-key="%s"]' % k))


def answer(driver, value):
    """The value typed on the keypad, then 決定."""
    for d in str(value):
        key(driver, d)
    key(driver, " ")


seen = {"count": 0}


def shown_numbers(driver):
    """The numbers of the next problem, as the server sent them, once the page has flashed it
    and waits for the answer."""
    # The page's own log says the flash has ended: the "？" shown, the keys taken. (The flash
    # field still shows the last problem's "？" until the new problem's first frame.)
    wait(driver, "return !document.getElementById('drill').hidden && window.flashCount > %d && "
                 "window.flashLog.length > 0 && window.flashLog[window.flashLog.length - 1].text === '？'"
                 % seen["count"])
    seen["count"] = driver.execute_script("return window.flashCount")
    problems = driver.execute_script("return window.served.filter(a => a.problem).map(a => a.problem.numbers)")
    numbers = [int(n) for n in problems[-1]]
    flashed = [int(e["text"]) for e in driver.execute_script("return window.flashLog") if e["text"] not in "+？"]
    assert flashed == numbers, ("the page flashed other numbers than the server sent", flashed, numbers)
    return numbers


def to_menu(driver, url, pupil):
    seen["count"] = 0
    driver.get(url)
    wait(driver, "return document.querySelector('#nameList button')")
    choose_name(driver, pupil)
    wait(driver, "return !document.getElementById('menu').hidden")


def choose_name(driver, pupil):
    """A tap on the name, then on O.K., as on the desktop's name screen."""
    tap(driver, driver.find_element(By.CSS_SELECTOR, '#nameList button[data-number="%d"]' % pupil))
    wait(driver, "return document.getElementById('chosen').textContent.includes('せいと%d')" % pupil)
    tap(driver, driver.find_element(By.ID, "ok"))


# The flashed digits' own height (the glyph's ink, not the font size) against the viewport's.
DIGIT_HEIGHT = ("const f = document.getElementById('flash'), s = getComputedStyle(f);"
                "const c = document.createElement('canvas').getContext('2d');"
                "c.font = s.fontWeight + ' ' + s.fontSize + ' ' + s.fontFamily;"
                "const m = c.measureText('10');"
                "return (m.actualBoundingBoxAscent + m.actualBoundingBoxDescent) / window.innerHeight;")


def whole_run(program):
    top = tempfile.mkdtemp(prefix="kazutobi-page-")
    records = make_school(top, program)
    proc, url = start_server(top)
    driver = browser(top, 1180, 820, True)
    try:
        to_menu(driver, url, 3)
        sizes = driver.execute_script("return Array.from(document.querySelectorAll('button:not([hidden])'))"
                                      ".filter(b => b.offsetParent).map(b => [b.offsetWidth, b.offsetHeight])")
        assert all(w >= 48 and h >= 48 for w, h in sizes), sizes
        tap(driver, driver.find_element(By.CSS_SELECTOR, '#levels button[data-level="4"]'))
        for problem in range(5):
            numbers = shown_numbers(driver)
            digits = driver.execute_script(DIGIT_HEIGHT)
            assert digits >= 0.4, digits
            if problem == 1:  # a wrong answer: the total is shown, "＋" twice goes on
                answer(driver, sum(numbers) + 1)
                wait(driver, "return !document.getElementById('wrong').hidden")
                assert driver.find_element(By.ID, "total").text == str(sum(numbers))
                # "＋" is taken once the wrong answer's sound has ended, as on the desktop.
                wait(driver, "return " + PHASE_WRONG)
                key(driver, "+")
                key(driver, "+")
                numbers = shown_numbers(driver)
            answer(driver, sum(numbers))
        wait(driver, "return !document.getElementById('result').hidden")
        result = driver.find_element(By.ID, "resultTime").text
        # 500 ms on: the menu and, for a level still to practise, once more.
        wait(driver, RESULT_READY)
        assert driver.find_element(By.ID, "again").is_displayed()
        print("digits %.0f %% of the viewport's height" % (100 * digits))
        seconds = int(result.replace("今の成績：", "").replace("秒", ""))
    finally:
        driver.quit()
        proc.terminate()
        log = proc.communicate()[0].decode("cp932" if WINDOWS else "utf-8", errors="replace")
        print("server: " + log.strip())
    with open(records, "rb") as f:
        data = f.read()
    assert len(data) == 88, len(data)
    date, tod, bangou, level, secs, school, name, score, reserved = struct.unpack("<ddhhi5s5s5s5s", data[44:])
    # Field by field, as the desktop's append fills them.
    checks = [("date", date, ole_date(datetime.date.today())), ("pupil", bangou, 3), ("level", level, 4),
              ("time", secs, seconds), ("school code", school, b"12345"), ("name", name, b"     "),
              ("score", score, b"0    "), ("reserved", reserved, b"\x01\x02\x03\x04\x05")]
    for field, got, want in checks:
        assert got == want, (field, got, want)
        print("%-12s %r" % (field, got))
    assert 0 < tod < 1 and abs(tod * 86400 - round(tod * 86400)) < 1e-3, tod
    assert seconds >= 20, seconds  # the wrong answer's 20 s are in
    assert "記録 番号3" in log, log
    print("result: " + result)
    shutil.rmtree(top, ignore_errors=True)


def failing_sounds(program):
    """The right answer's sound files are missing: three right answers go on without a sound,
    the fourth stops the drill with the sound error, as the desktop does; OK leads to the names."""
    top = tempfile.mkdtemp(prefix="kazutobi-sounds-")
    make_school(top, program)
    for name in ("ok1", "ok2"):
        os.remove(os.path.join(top, "share", "音フォルダ", name + ".wav"))
    proc, url = start_server(top)
    driver = browser(top, 1180, 820, True)
    try:
        to_menu(driver, url, 2)
        tap(driver, driver.find_element(By.CSS_SELECTOR, '#levels button[data-level="4"]'))
        for problem in range(4):
            numbers = shown_numbers(driver)
            answer(driver, sum(numbers))
        wait(driver, "return !document.getElementById('soundError').hidden")
        text = driver.find_element(By.ID, "soundErrorText").text
        assert text.startswith("音声がでません。先生を呼びなさい。") and "/sound/2/" in text, text
        assert driver.execute_script("return window.flashCount") == 4
        tap(driver, driver.find_element(By.ID, "soundErrorOk"))
        wait(driver, "return !document.getElementById('names').hidden")
        print("sound error: " + text.replace("\n", " "))
    finally:
        driver.quit()
        proc.terminate()
        proc.communicate()
    shutil.rmtree(top, ignore_errors=True)


def frames(program):
    top = tempfile.mkdtemp(prefix="kazutobi-frames-")
    make_school(top, program)
    proc, url = start_server(top)
    driver = browser(top, 1366, 768, False)
    try:
        to_menu(driver, url, 1)
        # The display's frame interval from requestAnimationFrame's own timestamps.
        interval = driver.execute_async_script(
            "const done = arguments[0], t = [];"
            "const f = (ts) => { t.push(ts); if (t.length < 121) requestAnimationFrame(f); else {"
            " const d = t.slice(1).map((x, i) => x - t[i]).sort((a, b) => a - b); done(d[60]); } };"
            "requestAnimationFrame(f);")
        results = []
        for run in range(4):
            driver.find_element(By.CSS_SELECTOR, '#levels button[data-level="4"]').click()
            for problem in range(5):
                numbers = shown_numbers(driver)
                plan = driver.execute_script("return window.flashPlan")
                log = driver.execute_script("return window.flashLog")
                for i in range(len(log) - 1):
                    counted = round((log[i + 1]["t"] - log[i]["t"]) / interval)
                    results.append((plan[i]["frames"], counted))
                whole = round((log[-1]["t"] - log[0]["t"]) / interval)
                intended = sum(p["frames"] for p in plan)
                results.append(("whole", intended, whole))
                driver.find_element(By.TAG_NAME, "body").send_keys(str(sum(numbers)) + " ")
            wait(driver, RESULT_READY)
            driver.find_element(By.ID, "toMenu").click()
            wait(driver, "return !document.getElementById('menu').hidden")
    finally:
        driver.quit()
        proc.terminate()
        proc.communicate()
    parts = [r for r in results if r[0] != "whole"]
    wholes = [r for r in results if r[0] == "whole"]
    exact = sum(1 for want, got in parts if want == got)
    worst = max(abs(want - got) for want, got in parts)
    worst_whole = max(abs(r[1] - r[2]) for r in wholes)
    print("frame interval %.3f ms; %d of %d numbers and gaps exact (%.1f %%), worst off by %d frames; "
          "whole sequences worst off by %d frames" % (interval, exact, len(parts), 100.0 * exact / len(parts),
                                                        worst, worst_whole))
    assert exact >= 0.99 * len(parts) and worst <= 1 and worst_whole <= 1
    shutil.rmtree(top, ignore_errors=True)


def shots(program, folder):
    os.makedirs(folder, exist_ok=True)
    top = tempfile.mkdtemp(prefix="kazutobi-shots-")
    make_school(top, program)
    proc, url = start_server(top)
    try:
        for width, height in ((1180, 820), (820, 1180), (1366, 768)):
            driver = browser(top, width, height, True)
            seen["count"] = 0
            name = lambda what: os.path.join(folder, "%s-%dx%d.png" % (what, width, height))
            try:
                driver.get(url)
                wait(driver, "return document.querySelector('#nameList button')")
                tap(driver, driver.find_element(By.CSS_SELECTOR, '#nameList button[data-number="2"]'))
                driver.save_screenshot(name("1-names"))
                tap(driver, driver.find_element(By.ID, "ok"))
                wait(driver, "return !document.getElementById('menu').hidden")
                driver.save_screenshot(name("2-menu"))
                tap(driver, driver.find_element(By.CSS_SELECTOR, '#levels button[data-level="1"]'))
                wait(driver, "return /^[0-9]+$/.test(document.getElementById('flash').textContent)")
                driver.save_screenshot(name("3-flash"))
                numbers = shown_numbers(driver)
                for d in str(sum(numbers) + 1):
                    key(driver, d)
                driver.save_screenshot(name("4-keypad"))
                key(driver, " ")
                wait(driver, "return !document.getElementById('wrong').hidden")
                driver.save_screenshot(name("5-wrong"))
                wait(driver, "return " + PHASE_WRONG)
                key(driver, "+")
                key(driver, "+")
                for _ in range(5):
                    numbers = shown_numbers(driver)
                    answer(driver, sum(numbers))
                    wait(driver, "return !document.getElementById('ending').hidden || window.flashCount > %d"
                         % seen["count"])
                    if driver.execute_script("return !document.getElementById('ending').hidden"):
                        break
                driver.save_screenshot(name("6-recording"))
                wait(driver, RESULT_READY)
                driver.save_screenshot(name("7-result"))
            finally:
                driver.quit()
    finally:
        proc.terminate()
        proc.communicate()
    shutil.rmtree(top, ignore_errors=True)


if __name__ == "__main__":
    what = sys.argv[2]
    if what == "run":
        whole_run(sys.argv[1])
    elif what == "sounds":
        failing_sounds(sys.argv[1])
    elif what == "frames":
        frames(sys.argv[1])
    else:
        shots(sys.argv[1], sys.argv[3])
