// The browser drill's page: it shows, flashes, takes answers and measures. Every rule (the
// problems, the judgement, the time, the record, which levels are open, what the result screen
// offers) is the server's.
"use strict";

const $ = (id) => document.getElementById(id);
const state = {
  pupil: 0, chosen: 0, grade: "", wrongSound: "", usageStart: 0, menuKeys: {},
  run: null, level: 0, step: 0, typed: "", plusPressed: 0, startedAt: 0, timeoutSeconds: 0,
  wrongAnswers: 0, problem: null, frameMs: 1000 / 60, soundErrors: 0, bar: null,
  // idle; flash (keys ignored); answer; sound (a blocking sound plays: keys dropped, as the
  // desktop drops them); waiting (for the server); wrong (waits for "+" "+"); ending
  phase: "idle",
};
// What the flash showed and when (requestAnimationFrame timestamps), for the frame test.
window.flashLog = [];
window.flashPlan = [];
window.flashCount = 0; // problems flashed so far, shown again ones included
window.drillPhase = () => state.phase;

function deviceId() {
  let id = localStorage.getItem("kazutobiDevice");
  if (!id) {
    const bytes = new Uint8Array(16);
    crypto.getRandomValues(bytes);
    id = Array.from(bytes, (b) => b.toString(16).padStart(2, "0")).join("");
    localStorage.setItem("kazutobiDevice", id);
  }
  return id;
}

const visible = (id) => !$(id).hidden;
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function show(screen) {
  for (const s of document.querySelectorAll(".screen")) s.hidden = s.id !== screen;
}

function showError(text) {
  const e = $("error");
  e.textContent = text;
  e.hidden = !text;
}

const RequestLimitMs = 15000; // a request that hangs is a network that failed
async function api(method, path, body) {
  let res;
  const abort = new AbortController();
  const timer = setTimeout(() => abort.abort(), RequestLimitMs);
  try {
    res = await fetch(path, {
      method, cache: "no-store", signal: abort.signal,
      headers: body ? { "Content-Type": "application/json" } : {},
      body: body ? JSON.stringify(body) : undefined,
    });
  } catch (e) {
    throw new Error("サーバーにつながりません。");
  } finally {
    clearTimeout(timer);
  }
  const data = await res.json().catch(() => ({ error: "サーバーの答えが読めません。" }));
  if (!res.ok) {
    const err = new Error(data.error || "エラー " + res.status);
    err.status = res.status;
    throw err;
  }
  return data;
}

// ---- sounds ----
// Sounds hold the run as the desktop's blocking play does: the next step waits for the end.
// Resolves with the failure's text, or "" when the sound played to its end.
const SoundLimitMs = 15000; // a sound that never ends (a stalled network) fails
function play(url) {
  return new Promise((resolve) => {
    if (!url) return resolve("");
    const a = new Audio(url);
    const timer = setTimeout(() => { a.pause(); resolve("音が終わりません: " + url); }, SoundLimitMs);
    const done = (why) => { clearTimeout(timer); resolve(why); };
    a.onended = () => done("");
    a.onerror = () => done("音のファイルが再生できません: " + url +
                           (a.error && a.error.message ? " (" + a.error.message + ")" : ""));
    a.play().catch((e) => done("音が出せません: " + e.message));
  });
}

// The right and wrong answers' sounds: the drill relies on them. Three failures in a row pass;
// the fourth stops the drill and sends the pupil to the teacher. False then.
async function playCounted(url) {
  const failure = await play(url);
  if (!failure) { state.soundErrors = 0; return true; }
  if (state.soundErrors < 3) { state.soundErrors += 1; return true; }
  state.soundErrors = 0;
  state.run = null;
  state.phase = "idle";
  $("soundErrorText").textContent = "音声がでません。先生を呼びなさい。\r\n" + failure;
  $("soundError").hidden = false;
  $("soundErrorOk").focus();
  return false;
}

// ---- name screen ----
async function loadNames() {
  showError("");
  const q = state.grade ? "?grade=" + encodeURIComponent(state.grade) : "";
  try {
    const data = await api("GET", "/api/names" + q);
    $("title").textContent = data.title;
    state.wrongSound = data.wrongSound;
    const sel = $("grade");
    if (!sel.options.length) {
      for (const g of data.grades) sel.add(new Option(g, g));
    }
    const list = $("nameList");
    list.textContent = "";
    const row = (text, number, name) => {
      const li = document.createElement("li");
      const b = document.createElement("button");
      b.textContent = text;
      b.dataset.number = number;
      b.onclick = () => choose(number, name, b);
      b.ondblclick = () => { choose(number, name, b); if (number) confirmName(); };
      li.appendChild(b);
      list.appendChild(li);
    };
    row(data.noName, 0, data.prompt);
    for (const n of data.names) row(n.text, n.number, n.name);
    choose(0, data.prompt, null);
    show("names");
  } catch (e) { showError(e.message); }
}

function choose(number, label, button) {
  state.chosen = number;
  $("chosen").textContent = label;
  for (const b of document.querySelectorAll("#nameList button")) b.classList.toggle("chosen", b === button);
}

function confirmName() {
  if (!state.chosen) { playCounted(state.wrongSound); return; }
  state.pupil = state.chosen;
  state.usageStart = performance.now();
  loadMenu();
}

// A title longer than nine characters is set smaller (the desktop's 14 pt for 16.8, 20 for 24).
function setTitle(e, text) {
  e.textContent = text;
  e.classList.toggle("long", text.length > 9);
}

function minutesSinceStart() { return Math.floor((performance.now() - state.usageStart) / 60000); }

// ---- level menu ----
// note: a refusal that sent the pupil back here, shown on the menu.
async function loadMenu(note = "") {
  showError(note);
  state.menuKeys = {};
  state.menuReady = false; // keys wait for the refresh, as the desktop's menu does
  try {
    const data = await api("GET", "/api/menu?pupil=" + state.pupil);
    setTitle($("menuTitle"), data.title);
    $("pupil").textContent = data.pupil;
    $("menuSchool").textContent = data.school;
    $("menuMinutes").textContent = "起動後" + minutesSinceStart() + "分";
    $("todayTotal").textContent = data.todayTotal;
    const box = $("levels");
    box.textContent = "";
    for (const l of data.levels) {
      const d = document.createElement("div");
      d.className = "level";
      const add = (parent, tag, text, cls) => {
        const e = document.createElement(tag);
        e.textContent = text;
        if (cls) e.className = cls;
        parent.appendChild(e);
        return e;
      };
      const head = add(d, "div", "", "levelHead");
      add(head, "span", l.level, "number");
      const name = add(head, "span", l.name, "name");
      name.title = l.name;
      const start = add(d, "div", "", "start");
      const b = add(start, "button", l.caption);
      b.dataset.level = l.level;
      b.title = "クリックしてスタートします。番号を押してもよろしい";
      b.disabled = !l.enabled;
      b.onclick = () => startRun(l.level);
      name.onclick = () => { if (l.enabled) startRun(l.level); };
      // A level the criteria file closes shows that reason alone, as the desktop does.
      if (l.reason) add(start, "div", l.reason, "closed");
      else if (l.refused) add(start, "div", "やりすぎ禁止", "closed");
      if (l.today || l.total) {
        const counts = add(d, "div", "", "counts");
        add(counts, "span", l.today);
        add(counts, "span", l.total);
      }
      if (l.recent) add(d, "div", l.recent, "figure");
      if (l.target) add(d, "div", l.target, "figure");
      if (l.key) state.menuKeys[l.key] = l;
      box.appendChild(d);
    }
    show("menu");
    state.menuReady = true;
  } catch (e) {
    // The menu as it stands, with the message: 戻る(0) and the keys still lead on.
    showError(e.message);
    show("menu");
    state.menuReady = true;
  }
}

function menuKey(k) {
  if (!state.menuReady || state.starting) return false;
  if (k === "0") { backToNames(); return true; }
  const l = state.menuKeys[k];
  if (!l) return false;
  if (l.enabled) startRun(l.level);
  return true;
}

// The name screen shows every grade again, as when it first opened.
function backToNames() {
  state.grade = "";
  $("grade").value = $("grade").options.length ? $("grade").options[0].value : "";
  loadNames();
}

// ---- drill ----
function measureFrameInterval(frames) {
  return new Promise((resolve) => {
    const t = [];
    const step = (ts) => {
      t.push(ts);
      if (t.length <= frames) return requestAnimationFrame(step);
      const d = t.slice(1).map((x, i) => x - t[i]).sort((a, b) => a - b);
      resolve(d[Math.floor(d.length / 2)]);
    };
    requestAnimationFrame(step);
  });
}

async function startRun(level) {
  if (state.starting) return; // a second tap while the first start is on its way
  state.starting = true;
  showError("");
  try {
    const data = await api("POST", "/api/start", { pupil: state.pupil, level, device: deviceId() });
    state.run = data.run;
    state.level = level;
    state.step = 0;
    state.wrongAnswers = 0;
    state.timeoutSeconds = data.timeoutSeconds;
    state.startedAt = performance.now();
    setTitle($("drillTitle"), data.title);
    $("drillPupil").textContent = data.pupil;
    $("drillLevel").textContent = data.levelName;
    $("remaining").textContent = data.problems;
    $("allToday").textContent = data.allToday;
    $("levelToday").textContent = data.levelToday;
    $("drillSchool").textContent = data.school;
    $("typed").textContent = "";
    $("ending").hidden = true;
    // The time bar: the track stands for the time-out, with the pass and minimum times marked.
    $("clockBox").hidden = $("bar").hidden = !data.clock || !data.timeoutSeconds;
    const part = (s) => Math.max(0, Math.min(1, s / data.timeoutSeconds)) * 100 + "%";
    if (data.timeoutSeconds) {
      $("barPass").style.width = part(data.passTime);
      $("barMinimum").style.width = part(data.minimumTime);
    }
    state.bar = data.timeoutSeconds ? part : null;
    show("drill");
    tickClock();
    flashProblem(data.problem);
  } catch (e) { loadMenu(e.message); }
  finally { state.starting = false; }
}

function clientMs() { return Math.round(performance.now() - state.startedAt); }

function tickClock() {
  if (!state.run) return;
  const s = Math.floor(clientMs() / 1000) + 20 * state.wrongAnswers;
  $("clock").textContent = s;
  $("drillMinutes").textContent = minutesSinceStart();
  if (state.bar) $("barTime").style.width = state.bar(s);
  // At the time-out the server ends the run; the page only asks for the result.
  if (state.timeoutSeconds > 0 && s >= state.timeoutSeconds && state.endAsked !== state.run) {
    endTimedOut();
    return;
  }
  setTimeout(tickClock, 250);
}

// Each number and each "+" gap stays for a whole number of frames, fixed before the problem
// from the measured frame interval; the flash runs on requestAnimationFrame alone.
// Shown again ("＊"), the problem keeps what the pupil has typed.
function flashProblem(problem, again = false) {
  state.problem = problem;
  state.phase = "flash";
  if (!again) setTyped("");
  $("wrong").hidden = true;
  $("replayHint").hidden = true;
  const shown = Math.max(1, Math.round(problem.displayMs / state.frameMs));
  const gap = Math.max(1, Math.round(problem.gapMs / state.frameMs));
  const plan = [];
  problem.numbers.forEach((n, i) => {
    if (i > 0) plan.push({ text: "+", frames: gap });
    plan.push({ text: String(n), frames: shown });
  });
  plan.push({ text: "？", frames: 0 });
  window.flashPlan = plan;
  window.flashLog = [];
  window.flashCount += 1;
  // Each item's first frame, counted from the first: a frame the browser drops is made up
  // by the items after it, so the whole sequence keeps its length. One item a frame at most:
  // a number is never skipped.
  const starts = [];
  plan.reduce((at, p) => { starts.push(at); return at + p.frames; }, 0);
  let index = -1, first = null;
  const flash = $("flash");
  const frame = (ts) => {
    if (state.phase !== "flash") return;
    if (first === null) first = ts;
    const at = Math.round((ts - first) / state.frameMs);
    if (index < 0 || at >= starts[index + 1]) {
      ++index;
      flash.textContent = plan[index].text;
      window.flashLog.push({ text: plan[index].text, t: ts });
      if (index === plan.length - 1) {
        state.phase = "answer";
        $("replayHint").hidden = false;
        return;
      }
    }
    requestAnimationFrame(frame);
  };
  requestAnimationFrame(frame);
}

function setTyped(text) {
  state.typed = text;
  $("typed").textContent = text;
}

// Every reply and every sound's end belongs to the run that asked: one that comes back after
// its run has ended (the time-out's reply first, a new run started) changes nothing (null).
// The share's error (503), a network that failed for a moment, or a time-out the server's clock
// has not reached (409) calls keep: the run goes on and the same step can be sent again. Any
// other refusal (the server no longer knows the run, or its clock disagrees) ends it.
async function runStep(path, body, keep) {
  const run = state.run;
  try {
    const data = await api("POST", path, { run, ...body });
    return state.run === run ? data : null;
  } catch (e) {
    if (state.run !== run) return null;
    if (!e.status || e.status === 503 || e.status === 409) keep(e);
    else dropRun(e.message);
    return null;
  }
}

async function sendAnswer() {
  const run = state.run;
  state.phase = "waiting";
  const data = await runStep("/api/answer", { step: state.step + 1, answer: state.typed, clientMs: clientMs() },
                             (e) => { showError(e.message); state.phase = "answer"; });
  if (!data) return;
  state.step += 1;
  await handleStep(data, run);
}

// A run the server refused: back to the menu, with the server's reason.
function dropRun(message) {
  state.run = null;
  state.phase = "idle";
  loadMenu(message);
}

async function handleStep(data, run) {
  showError("");
  if (data.state === "correct") {
    state.phase = "sound";
    if (!await playCounted(data.sound) || state.run !== run) return;
    $("remaining").textContent = data.remaining;
    flashProblem(data.problem);
  } else if (data.state === "wrong") {
    // The total and the sums first, then the sound; the 20 s and the prompt after it.
    $("total").textContent = data.total;
    $("sums").textContent = data.lines.join("\n");
    $("plusHint").hidden = true;
    $("wrong").hidden = false;
    $("replayHint").hidden = true;
    state.phase = "sound";
    if (!await playCounted(data.sound) || state.run !== run) return;
    state.wrongAnswers += 1;
    state.plusPressed = 0;
    $("plusHint").hidden = false;
    if (state.phase === "sound") state.phase = "wrong";
  } else if (data.state === "next") {
    flashProblem(data.problem);
  } else if (data.state === "finished") {
    await finishRun(data, run);
  }
}

async function sendNext() {
  const run = state.run;
  state.phase = "waiting";
  const data = await runStep("/api/next", { step: state.step + 1 },
                             (e) => { showError(e.message); state.phase = "wrong"; state.plusPressed = 0; });
  if (!data) return;
  state.step += 1;
  await handleStep(data, run);
}

// The drill goes on while the server is asked: an answer sent meanwhile gets the time-out's
// result too, and whichever reply comes first ends the run.
async function endTimedOut() {
  const run = state.run;
  state.endAsked = run;
  const data = await runStep("/api/end", {}, (e) => {
    if (e.status !== 409) showError(e.message);
    state.endAsked = null;
    setTimeout(tickClock, 250); // the next tick asks again
  });
  if (data) await finishRun(data, run);
}

// The run's end as the desktop shows it: the last right answer's sound, the drill's panel
// (成績記録中, or 時間切れ) for a second, then the result screen; a level that is not recorded
// goes back to the menu.
async function finishRun(data, run) {
  if (state.run !== run) return; // the time-out's reply and an answer's: the first ends the run
  state.phase = "ending";
  state.run = null;
  if (data.sound) {
    if (!await playCounted(data.sound)) return;
    $("remaining").textContent = 0;
  }
  if (data.timedOut && state.bar) $("barTime").style.width = "100%";
  $("ending").textContent = data.timedOut ? "時間切れ" : "成績記録中";
  $("ending").hidden = false;
  if (!data.recorded) { loadMenu(); return; }
  await sleep(1000);
  await showResult(data);
}

// Keys of the drill, as the desktop's drill screen takes them.
function key(k) {
  const allShown = state.phase !== "flash" && state.phase !== "idle" && state.phase !== "ending";
  if (k === "ArrowUp") { if (allShown) setTyped(""); return; }
  if (state.phase === "wrong") {
    // "＋" twice in a row goes on; any other key starts the pair again.
    if (k === "+") {
      if (++state.plusPressed >= 2) sendNext();
    } else state.plusPressed = 0;
    return;
  }
  if (state.phase !== "answer") return;
  if (k === "*") { flashProblem(state.problem, true); return; }
  if (k === " ") { sendAnswer(); return; }
  if (k === "Backspace") { setTyped(state.typed.slice(0, -1)); return; }
  if (k.length !== 1) return;
  if (state.typed.length >= 3) {
    state.phase = "sound";
    play("/sound/warning").then(() => { if (state.phase === "sound") state.phase = "answer"; });
    return;
  }
  // Digits and , - . / (the characters from "*" to "9" but "+"), as the desktop's field takes.
  if (k >= "*" && k <= "9" && k !== "+") setTyped(state.typed + k);
}

// ---- result ----
async function showResult(data) {
  state.phase = "idle";
  $("resultTitle").textContent = data.title;
  $("resultLevel").textContent = data.levelName;
  $("resultPupil").textContent = data.pupil;
  $("resultTime").textContent = data.result; // "記録なし" after a time-out; the message says 時間切れ
  $("resultPoints").textContent = data.points;
  $("resultLevelToday").textContent = data.levelToday;
  $("resultAllToday").textContent = data.allToday;
  $("resultMessage").textContent = data.message;
  $("resultCleared").textContent = data.cleared;
  $("congratulation").hidden = !data.congratulation;
  $("toMenu").hidden = $("again").hidden = true;
  $("toMenu").disabled = $("again").disabled = false;
  show("result");
  // The buttons come 500 ms on, and not before the sounds have ended (they hold the screen).
  const sounds = (async () => { for (const s of data.sounds || []) await play(s); })();
  await Promise.all([sounds, sleep(500)]);
  $("congratulation").hidden = true;
  $("resultCleared").textContent = data.later.cleared;
  $("toMenu").hidden = false;
  $("again").hidden = !data.later.again;
  $("toMenu").focus();
}

// ---- wiring ----
document.addEventListener("keydown", (e) => {
  if (visible("soundError")) return; // its OK button takes Enter itself
  if (visible("drill")) {
    key(e.key);
    e.preventDefault();
  } else if (visible("menu")) {
    if (menuKey(e.key)) e.preventDefault();
  } else if (visible("names") && document.activeElement !== $("grade")) {
    if (e.key === "1" || e.key === "Enter" || e.key === " ") {
      confirmName();
      e.preventDefault();
    }
  }
});
for (const b of document.querySelectorAll("#keypad button"))
  b.addEventListener("pointerdown", (e) => { e.preventDefault(); key(b.dataset.key); });
$("grade").onchange = () => { state.grade = $("grade").value; $("grade").blur(); loadNames(); };
$("ok").onclick = () => confirmName();
$("backToNames").onclick = () => { if (!state.starting) backToNames(); };
// Either button leaves the result screen once: the other goes with it.
const leaveResult = (go) => () => { $("toMenu").disabled = $("again").disabled = true; go(); };
$("toMenu").onclick = leaveResult(() => loadMenu());
$("again").onclick = leaveResult(() => startRun(state.level));
// The desktop ends the program here; the page starts again from the names.
$("soundErrorOk").onclick = () => { $("soundError").hidden = true; show("names"); backToNames(); };

measureFrameInterval(30).then((ms) => { state.frameMs = ms; });
loadNames();
