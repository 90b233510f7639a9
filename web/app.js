// The browser drill's page: it shows, flashes, takes answers and measures. Every rule (the
// problems, the judgement, the time, the record, which levels are open) is the server's.
"use strict";

const $ = (id) => document.getElementById(id);
const state = {
  pupil: 0, grade: "", run: null, step: 0, typed: "", phase: "idle", plusPressed: 0,
  startedAt: 0, timeoutSeconds: 0, wrongAnswers: 0, problem: null, frameMs: 1000 / 60,
};
// What the flash showed and when (requestAnimationFrame timestamps), for the frame test.
window.flashLog = [];
window.flashPlan = [];
window.flashCount = 0; // problems flashed so far, shown again ones included

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

function show(screen) {
  for (const s of document.querySelectorAll(".screen")) s.hidden = s.id !== screen;
}

function showError(text) {
  const e = $("error");
  e.textContent = text;
  e.hidden = !text;
}

async function api(method, path, body) {
  let res;
  try {
    res = await fetch(path, {
      method, cache: "no-store",
      headers: body ? { "Content-Type": "application/json" } : {},
      body: body ? JSON.stringify(body) : undefined,
    });
  } catch (e) {
    throw new Error("サーバーにつながりません。");
  }
  const data = await res.json().catch(() => ({ error: "サーバーの答えが読めません。" }));
  if (!res.ok) {
    const err = new Error(data.error || "エラー " + res.status);
    err.status = res.status;
    throw err;
  }
  return data;
}

// Sounds hold the run as the desktop's blocking play does: the next step waits for the end.
function play(url) {
  return new Promise((resolve) => {
    if (!url) return resolve();
    const a = new Audio(url);
    a.onended = a.onerror = () => resolve();
    a.play().catch(() => resolve());
  });
}

// ---- name screen ----
async function loadNames() {
  showError("");
  const q = state.grade ? "?grade=" + encodeURIComponent(state.grade) : "";
  try {
    const data = await api("GET", "/api/names" + q);
    $("title").textContent = data.title;
    $("school").textContent = data.school;
    const sel = $("grade");
    if (!sel.options.length) {
      for (const g of data.grades) sel.add(new Option(g, g));
    }
    const list = $("nameList");
    list.textContent = "";
    for (const n of data.names) {
      const li = document.createElement("li");
      const b = document.createElement("button");
      b.textContent = n.text;
      b.dataset.number = n.number;
      b.onclick = () => { state.pupil = n.number; loadMenu(); };
      li.appendChild(b);
      list.appendChild(li);
    }
    show("names");
  } catch (e) { showError(e.message); }
}

// ---- level menu ----
async function loadMenu() {
  showError("");
  try {
    const data = await api("GET", "/api/menu?pupil=" + state.pupil);
    $("pupil").textContent = data.pupil;
    $("todayTotal").textContent = data.todayTotal;
    const box = $("levels");
    box.textContent = "";
    for (const l of data.levels) {
      const d = document.createElement("div");
      d.className = "level";
      const add = (tag, text, cls) => {
        const e = document.createElement(tag);
        e.textContent = text;
        if (cls) e.className = cls;
        d.appendChild(e);
        return e;
      };
      add("h3", l.level + " " + l.name);
      add("div", l.target);
      if (l.recent) add("div", l.recent);
      add("div", "今日 " + l.today);
      add("div", "全部 " + l.total);
      // A level the criteria file closes shows that reason alone, as the desktop does.
      if (l.reason) add("div", l.reason, "closed");
      else if (l.refused) add("div", "やりすぎ禁止", "closed");
      const b = add("button", "スタート");
      b.dataset.level = l.level;
      b.disabled = !l.enabled;
      b.onclick = () => startRun(l.level);
      box.appendChild(d);
    }
    show("menu");
  } catch (e) { showError(e.message); }
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
    state.step = 0;
    state.wrongAnswers = 0;
    state.timeoutSeconds = data.timeoutSeconds;
    state.startedAt = performance.now();
    $("drillLevel").textContent = data.levelName;
    $("remaining").textContent = data.problems;
    show("drill");
    tickClock();
    flashProblem(data.problem);
  } catch (e) { showError(e.message); loadMenu(); }
  finally { state.starting = false; }
}

function clientMs() { return Math.round(performance.now() - state.startedAt); }

function tickClock() {
  if (!state.run) return;
  const s = Math.floor(clientMs() / 1000) + 20 * state.wrongAnswers;
  $("clock").textContent = s;
  // At the time-out the server ends the run; the page only asks for the result.
  if (state.timeoutSeconds > 0 && s >= state.timeoutSeconds + 1 && state.phase !== "ending") {
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
  if (!again) {
    state.typed = "";
    $("typed").textContent = "";
  }
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

async function sendAnswer() {
  state.phase = "waiting";
  const body = { run: state.run, step: state.step + 1, answer: state.typed, clientMs: clientMs() };
  let data;
  try {
    data = await api("POST", "/api/answer", body);
  } catch (e) {
    showError(e.message);
    // A share error (503) keeps the answer: the same step may be sent again.
    state.phase = e.status === 503 ? "answer" : "idle";
    if (e.status !== 503) { state.run = null; loadMenu(); }
    return;
  }
  state.step += 1;
  await handleStep(data);
}

async function handleStep(data) {
  showError("");
  if (data.state === "correct") {
    $("remaining").textContent = data.remaining;
    await play(data.sound);
    flashProblem(data.problem);
  } else if (data.state === "wrong") {
    state.wrongAnswers += 1;
    $("total").textContent = data.total;
    $("sums").textContent = data.lines.join("\n");
    $("wrong").hidden = false;
    $("replayHint").hidden = true;
    state.phase = "wrong";
    state.plusPressed = 0;
    await play(data.sound);
  } else if (data.state === "next") {
    flashProblem(data.problem);
  } else if (data.state === "finished") {
    showResult(data);
  }
}

async function sendNext() {
  state.phase = "waiting";
  try {
    const data = await api("POST", "/api/next", { run: state.run, step: state.step + 1 });
    state.step += 1;
    await handleStep(data);
  } catch (e) { showError(e.message); state.phase = "wrong"; }
}

async function endTimedOut() {
  state.phase = "ending";
  try {
    showResult(await api("POST", "/api/end", { run: state.run }));
  } catch (e) {
    showError(e.message);
    state.phase = "answer";
    setTimeout(tickClock, 1000);
  }
}

function key(k) {
  if (state.phase === "wrong") {
    // "＋" twice in a row goes on; any other key starts the pair again.
    if (k === "+") {
      if (++state.plusPressed >= 2) sendNext();
    } else state.plusPressed = 0;
    return;
  }
  if (state.phase !== "answer") return;
  if (k === "*") { flashProblem(state.problem, true); return; }
  if (k === " " || k === "Enter") { sendAnswer(); return; }
  if (k === "Backspace") state.typed = state.typed.slice(0, -1);
  else if (/^[0-9]$/.test(k)) {
    if (state.typed.length >= 3) { play("/sound/warning"); return; }
    state.typed += k;
  }
  $("typed").textContent = state.typed;
}

// ---- result ----
async function showResult(data) {
  state.run = null;
  state.phase = "idle";
  if (!data.recorded) { loadMenu(); return; }
  $("resultLevel").textContent = data.levelName;
  $("resultPupil").textContent = data.pupil;
  $("resultTime").textContent = data.result; // "記録なし" after a time-out; the message says 時間切れ
  $("resultPoints").textContent = data.points;
  $("resultMessage").textContent = data.message;
  $("resultCleared").textContent = (data.cleared || "") + (data.congratulation ? " 目標レベルクリア。おめでとう！" : "");
  $("resultCounts").textContent = data.levelToday + " " + data.allToday;
  show("result");
  for (const s of data.sounds || []) await play(s);
}

// ---- wiring ----
document.addEventListener("keydown", (e) => {
  if (document.getElementById("drill").hidden) return;
  key(e.key);
  e.preventDefault();
});
for (const b of document.querySelectorAll("#keypad button"))
  b.addEventListener("pointerdown", (e) => { e.preventDefault(); key(b.dataset.key); });
$("grade").onchange = () => { state.grade = $("grade").value; loadNames(); };
$("backToNames").onclick = () => loadNames();
$("again").onclick = () => loadMenu();
$("toNames").onclick = () => loadNames();

measureFrameInterval(30).then((ms) => { state.frameMs = ms; });
loadNames();
