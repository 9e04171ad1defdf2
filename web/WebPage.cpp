#include "web/WebPage.h"

namespace tavelin {

std::string_view WebPageHtml() {
    return R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Tavelin Video Center</title>
<link rel="stylesheet" href="page.css">
<script src="page.js" defer></script>
</head>
<body>
<header><h1>Tavelin Video Center</h1><span id="camera"></span></header>
<main>
<img id="live" src="stream.mjpg" alt="The camera's live picture">
<section id="controls">
<a id="snapshot" class="button" href="snapshot.jpg?download=1" download>Snapshot</a>
<label class="switch"><input type="checkbox" id="recordOnMotion"> Record on motion</label>
</section>
<section id="state">
<p>Monitor: <b id="monitor">&ndash;</b></p>
<p>Recording: <b id="recording">&ndash;</b></p>
<p>Armed: <b id="armed">&ndash;</b></p>
<p id="problem" hidden></p>
</section>
<section>
<h2>Recent events</h2>
<ol id="events" reversed></ol>
</section>
</main>
</body>
</html>
)";
}

std::string_view WebPageScript() {
    return R"('use strict';
// The page polls the state and the events; the picture streams by itself.
const byId = (id) => document.getElementById(id);
// From the origin rather than the page's address: an address with user and password in
// it (http://user:pw@host/) makes fetch refuse relative ones.
const here = (path) => location.origin + '/' + path;
let switching = false;

function yesNo(value) { return value ? 'on' : 'off'; }

function showProblem(text) {
  const p = byId('problem');
  p.textContent = text;
  p.hidden = !text;
}

async function pollState() {
  try {
    const reply = await fetch(here('state.json'), {cache: 'no-store'});
    if (!reply.ok) throw new Error(reply.status + ' ' + reply.statusText);
    const state = await reply.json();
    byId('camera').textContent = state.camera || '';
    byId('monitor').textContent = yesNo(state.monitor);
    byId('recording').textContent = state.recording ? 'yes' : 'no';
    byId('armed').textContent = state.armed ? 'yes' : 'no';
    if (!switching) byId('recordOnMotion').checked = !!state.recordOnMotion;
    showProblem('');
  } catch (e) {
    showProblem('The program does not answer: ' + e.message);
  }
}

async function pollEvents() {
  try {
    const reply = await fetch(here('events.json'), {cache: 'no-store'});
    if (!reply.ok) return;
    const list = (await reply.json()).events || [];
    const ol = byId('events');
    ol.replaceChildren();
    for (const e of list.slice(-20).reverse()) {
      const li = document.createElement('li');
      const time = new Date(e.time);
      li.textContent = time.toLocaleTimeString() + '  ' + e.event + (e.name ? '  ' + e.name : '');
      ol.appendChild(li);
    }
  } catch (e) {
    // The state poll says when the program is gone.
  }
}

async function setRecordOnMotion(on) {
  switching = true;
  try {
    const reply = await fetch(here('record-on-motion'), {method: 'POST', body: on ? 'on' : 'off'});
    if (!reply.ok) showProblem('The switch was refused: ' + reply.status);
  } finally {
    switching = false;
    pollState();
  }
}

document.addEventListener('DOMContentLoaded', () => {
  byId('recordOnMotion').addEventListener('change', (e) => setRecordOnMotion(e.target.checked));
  // A stream the browser dropped (the program restarted, the network went) is picked up again.
  byId('live').addEventListener('error', () => {
    setTimeout(() => { byId('live').src = 'stream.mjpg?' + Date.now(); }, 2000);
  });
  pollState();
  pollEvents();
  setInterval(pollState, 2000);
  setInterval(pollEvents, 5000);
});
)";
}

std::string_view WebPageStyle() {
    return R"(body { margin: 0; font-family: sans-serif; background: #111; color: #eee; }
header { display: flex; align-items: baseline; gap: 1em; padding: 0.5em 1em; background: #222; }
h1 { font-size: 1.2em; margin: 0; }
h2 { font-size: 1em; }
main { padding: 0.5em; max-width: 60em; margin: 0 auto; }
#live { display: block; width: 100%; height: auto; background: #000; }
#controls { display: flex; flex-wrap: wrap; gap: 1em; align-items: center; margin: 0.8em 0; }
.button { padding: 0.6em 1.2em; border-radius: 0.3em; background: #2a6ad8; color: #fff;
  text-decoration: none; font-size: 1.1em; }
.switch { font-size: 1.1em; }
.switch input { transform: scale(1.5); margin-right: 0.5em; }
#state p { margin: 0.2em 0; }
#problem { color: #f88; }
#events { font-family: monospace; font-size: 0.9em; padding-left: 1.5em; }
)";
}

}  // namespace tavelin
