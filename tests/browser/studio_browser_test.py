#!/usr/bin/python3
"""The studio's page in a real browser: headless Chromium, driven by
chromedriver through Selenium, against `minihost serve` on an example scene.

Each step does what a user does and checks what the page shows. Screenshots
go to the artefacts folder. A browser that cannot start fails the test.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.common.exceptions import NoSuchElementException, StaleElementReferenceException
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import Select, WebDriverWait
except ImportError as e:
    sys.exit(f"FAIL: python3-selenium is missing ({e}); run scripts/install-deps.sh")

WAIT = 60  # seconds for anything the page waits on


class Studio:
    """minihost serve, until stopped."""

    def __init__(self, minihost, scene, root):
        self.proc = subprocess.Popen(
            [minihost, "serve", scene, "--port", "0", "--root", root],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline()
        match = re.search(r"(http://\S+/)\?token=([0-9a-f]{64})", line)
        if not match:
            self.proc.kill()
            sys.exit(f"FAIL: minihost serve printed no URL with a token: {line!r} {self.proc.stderr.read()!r}")
        self.url = match.group(0)
        self.base, self.token = match.group(1), match.group(2)

    def stop(self):
        self.proc.terminate()
        try:
            self.proc.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.proc.kill()


def start_browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--disable-dev-shm-usage", f"--user-data-dir={profile}", "--window-size=1400,900"):
        options.add_argument(flag)
    driver = shutil.which("chromedriver") or "/usr/bin/chromedriver"
    try:
        return webdriver.Chrome(service=Service(executable_path=driver), options=options)
    except Exception as e:  # any failure to start is the test's failure
        sys.exit(f"FAIL: the browser could not start ({options.binary_location}, {driver}): {e}")


class Page:
    def __init__(self, browser, artefacts):
        self.b = browser
        self.artefacts = artefacts
        self.shots = 0

    def until(self, what, condition):
        try:
            # The page redraws a panel after each change: elements found
            # before it are stale, so they are looked for again.
            return WebDriverWait(self.b, WAIT, poll_frequency=0.05,
                                 ignored_exceptions=(NoSuchElementException, StaleElementReferenceException)
                                 ).until(lambda _: condition())
        except Exception:
            self.shot("failed")
            raise AssertionError(f"timed out waiting for {what}")

    def shot(self, name):
        self.shots += 1
        path = os.path.join(self.artefacts, f"{self.shots:02d}-{name}.png")
        self.b.save_screenshot(path)
        return path

    def js(self, script, *args):
        return self.b.execute_script(script, *args)

    def frame(self):
        return self.js("return window.studio && window.studio.frame")

    def full_frame_after(self, version):
        """Waits for the full-size image of a change made after `version`."""
        return self.until(f"a full frame after version {version}",
                          lambda: (f := self.frame()) and f["version"] > version and f["full"] and f)

    def pixels(self):
        return self.js("""const c = document.getElementById('frame-canvas');
            return Array.from(c.getContext('2d').getImageData(0, 0, c.width, c.height).data);""")

    def control(self, label):
        return self.b.find_element(By.CSS_SELECTOR, f'#panel-pane [data-label="{label}"]')

    def panel_input(self, label, kind="input"):
        return self.control(label).find_element(By.CSS_SELECTOR, kind)

    def open(self, selector):
        """Opens the panel of a surface or filter: the page marks it current as it draws it."""
        self.click(selector, lambda: self.b.find_element(By.CSS_SELECTOR, selector))
        self.until(f"the panel of {selector}", lambda: "current" in self.b.find_element(
            By.CSS_SELECTOR, selector).get_attribute("class").split())

    def open_surface(self, path):
        self.open(f'[data-surface="{path}"]')

    def tab(self, name):
        for button in self.b.find_elements(By.CSS_SELECTOR, "#panel-pane .tabs button"):
            if button.text == name:
                button.click()
                return
        raise AssertionError(f"no tab {name}")

    def preset(self, entry, file):
        Select(self.panel_input("Preset", "select")).select_by_visible_text(entry)
        self.until("the file request", lambda: not self.b.find_element(By.ID, "modal").get_attribute("hidden"))
        title = self.b.find_element(By.ID, "modal-title").text
        field = self.b.find_element(By.CSS_SELECTOR, "#modal input[data-path]")
        field.clear()
        field.send_keys(file)
        self.b.find_element(By.ID, "modal-ok").click()
        self.until("the file request to close",
                   lambda: self.b.find_element(By.ID, "modal").get_attribute("hidden"))
        return title


    def active(self):
        return self.b.switch_to.active_element

    def press(self, *keys):
        """Keys as a user types them, to whatever has the focus."""
        chain = ActionChains(self.b)
        modifiers = [k for k in keys if k in (Keys.CONTROL, Keys.SHIFT)]
        for k in modifiers:
            chain.key_down(k)
        for k in keys:
            if k not in modifiers:
                chain.send_keys(k)
        for k in modifiers:
            chain.key_up(k)
        chain.perform()

    def tab_to(self, what, condition, limit=80):
        """Presses Tab until the focused element meets `condition`."""
        def met():
            for _ in range(5):  # a redraw may replace the element as it is looked at
                try:
                    return condition(self.active())
                except StaleElementReferenceException:
                    time.sleep(0.05)
            return False

        for _ in range(limit):
            self.press(Keys.TAB)
            if met():
                return self.active()
        self.shot("tab-walk")
        raise AssertionError(f"Tab never reached {what}")

    def click(self, what, find):
        """Clicks what `find` finds, again if a redraw replaced it meanwhile."""
        self.until(what, lambda: find().click() or True)

    def type_into(self, label, text):
        """Types into a panel field as a user does: click, select all, type, Tab."""
        self.click(f"the field {label}", lambda: self.panel_input(label))
        self.press(Keys.CONTROL, "a")
        self.press(text, Keys.TAB)

    def modal_open(self):
        return not self.b.find_element(By.ID, "modal").get_attribute("hidden")

    def panel_value(self, label):
        return self.panel_input(label).get_attribute("value")


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def http_status(url, headers=None):
    try:
        with urllib.request.urlopen(urllib.request.Request(url, headers=headers or {}), timeout=20) as r:
            return r.status
    except urllib.error.HTTPError as e:
        return e.code


def token_steps(page, studio):
    """The token: refused without it, accepted with it, kept by the page."""
    check(http_status(studio.base) == 403, "the page was served without the token")
    check(http_status(studio.base + "api/scene") == 403, "the API answered without the token")
    check(http_status(studio.base + "?token=" + "0" * 64) == 403, "the page was served with a wrong token")
    check(http_status(studio.url) == 200, "the page was refused with its token")
    check(http_status(studio.base + "api/scene", {"X-Studio-Token": studio.token}) == 200,
          "the API refused its token")
    statuses = page.b.execute_async_script("""const done = arguments[arguments.length - 1];
        Promise.all([fetch('/api/scene').then((r) => r.status),
                     fetch('/api/scene', {headers: {'X-Studio-Token':
                         document.querySelector('meta[name="studio-token"]').content}}).then((r) => r.status)])
          .then(done);""")
    check(statuses == [403, 200], f"in the page: without the token {statuses[0]}, with it {statuses[1]}")
    print("token: refused without it, accepted with it")


def accessibility_steps(page):
    """Labels, roles and focus order, checked on the page as drawn."""
    problems = page.js("""
        const named = (e) => (e.getAttribute('aria-label') || '').trim() ||
            (e.getAttribute('aria-labelledby') || '').split(' ').some((id) => {
                const l = document.getElementById(id); return l && l.textContent.trim(); }) ||
            (e.id && [...document.querySelectorAll(`label[for="${CSS.escape(e.id)}"]`)].some((l) => l.textContent.trim())) ||
            (e.closest('label') && e.closest('label').textContent.trim()) ||
            (e.closest('fieldset') && e.closest('fieldset').querySelector('legend') && e.type === 'radio' &&
             e.closest('label') && e.closest('label').textContent.trim());
        const problems = [];
        for (const e of document.querySelectorAll('input, select, textarea')) {
            if (e.closest('[hidden]')) continue;
            if (!named(e)) problems.push(`no label: ${e.outerHTML.slice(0, 90)}`);
        }
        for (const e of document.querySelectorAll('button')) {
            if (e.closest('[hidden]')) continue;
            if (!e.textContent.trim() && !named(e)) problems.push(`no name: ${e.outerHTML.slice(0, 90)}`);
        }
        for (const e of document.querySelectorAll('[tabindex]'))
            if (Number(e.getAttribute('tabindex')) > 0) problems.push(`tab order forced: ${e.outerHTML.slice(0, 60)}`);
        const role = (id) => document.getElementById(id) && document.getElementById(id).getAttribute('role');
        if (role('message') !== 'status') problems.push('the message line is no live region');
        if (role('render-state') !== 'status') problems.push('the render state is no live region');
        if (role('modal-form') !== 'dialog') problems.push('the modal is no dialog');
        if (!document.querySelector('#panel-pane [role="tablist"] [role="tab"][aria-selected="true"]'))
            problems.push('the panel tabs have no selected tab');
        for (const e of document.querySelectorAll('.item, [role="menuitem"]'))
            if (e.tagName !== 'BUTTON') problems.push(`not a button: ${e.outerHTML.slice(0, 60)}`);
        return problems;""")
    check(not problems, "accessibility: " + "; ".join(problems[:8]))
    # Focus order follows the layout: header, scene, frame, panel.
    order = page.js("""
        const sections = ['header', '#notice', '#scene-pane', '#frame-pane', '#panel-pane'];
        const all = [...document.querySelectorAll('button, input, select, [tabindex="0"]')]
            .filter((e) => !e.disabled && !e.closest('[hidden]') && e.offsetParent !== null);
        return all.map((e) => sections.findIndex((s) => e.closest(s)));""")
    check(order == sorted(order), f"focus order jumps between parts of the page: {order}")
    print(f"accessibility: {len(order)} focusable controls labelled, in reading order")


def keyboard_steps(page):
    """A whole edit with the keyboard alone."""
    b = page.b
    b.find_element(By.TAG_NAME, "body").click()
    page.js("document.activeElement.blur(); window.scrollTo(0, 0);")
    page.tab_to("the Pawn/Head shader", lambda e: e.get_attribute("data-surface") == "Pawn/Head")
    page.press(Keys.ENTER)
    page.until("the panel of Pawn/Head", lambda: "current" in b.find_element(
        By.CSS_SELECTOR, '[data-surface="Pawn/Head"]').get_attribute("class").split())
    page.tab_to("the panel's tabs", lambda e: e.get_attribute("role") == "tab")
    if page.active().text != "Basic":
        page.press(Keys.ARROW_LEFT)
        page.until("the Basic tab", lambda: page.active().text == "Basic")
    field = page.tab_to("Material ID", lambda e: e.get_attribute("id") == page.panel_input("Material ID").get_attribute("id"))
    old = field.get_attribute("value")
    wanted = "321" if old != "321" else "322"
    page.press(Keys.CONTROL, "a")
    page.press(wanted, Keys.TAB)
    page.until("Material ID stored", lambda: page.panel_value("Material ID") == wanted)
    after = page.until("the focus kept in the panel", lambda: page.js(
        "return document.activeElement && document.getElementById('panel-pane').contains(document.activeElement) "
        "&& document.activeElement.dataset.focusKey"))
    print(f"keyboard: Material ID {old} -> {wanted}; focus stays on {after} across the redraw")
    # An emptied field goes back to its value and stores nothing.
    page.type_into("Material ID", Keys.BACKSPACE)
    page.until("the emptied field back at its value", lambda: page.panel_value("Material ID") == wanted)
    # A value the control cannot take: the error beside it, cleared when fixed.
    page.type_into("Material ID", "3000000000")
    error = page.until("the error beside Material ID", lambda: page.control("Material ID").find_element(
        By.CSS_SELECTOR, ".control-error").text)
    check("Material ID" in error, f"the error does not name its control: {error!r}")
    wanted = str(int(wanted) + 1)
    page.type_into("Material ID", wanted)
    page.until("the error cleared", lambda: not page.control("Material ID").find_element(
        By.CSS_SELECTOR, ".control-error").text)
    # Tabs switch with the arrows.
    page.click("the selected tab", lambda: b.find_element(
        By.CSS_SELECTOR, '#panel-pane [role="tab"][aria-selected="true"]'))
    page.press(Keys.ARROW_RIGHT)
    page.until("the Advanced tab", lambda: page.active().text == "Advanced"
               and page.active().get_attribute("aria-selected") == "true")
    page.press(Keys.ARROW_LEFT)
    page.until("the Basic tab again", lambda: page.active().text == "Basic")
    # The commands menu: arrows, Escape, and a dialog that keeps the focus.
    page.tab_to("the Commands button", lambda e: e.get_attribute("id") == "commands-button")
    page.press(Keys.ENTER)
    page.until("the menu open on its first item", lambda: page.active().get_attribute("role") == "menuitem")
    page.press(Keys.ESCAPE)
    page.until("the menu closed", lambda: b.find_element(By.ID, "commands-menu").get_attribute("hidden")
               and page.active().get_attribute("id") == "commands-button")
    page.press(Keys.ARROW_DOWN)
    page.until("the menu open again", lambda: page.active().get_attribute("role") == "menuitem")
    page.press(Keys.ENTER)
    page.until("the utility's dialog", page.modal_open)
    note = b.find_element(By.CSS_SELECTOR, "#modal .note").text
    check("mesh file" in note, f"the utility does not explain \"Selected\": {note!r}")
    seen = set()
    for _ in range(14):
        page.press(Keys.TAB)
        seen.add(page.js("return document.getElementById('modal-form').contains(document.activeElement)"))
    check(seen == {True}, "the focus left the dialog")
    page.press(Keys.ESCAPE)
    page.until("the dialog closed, the focus back", lambda: not page.modal_open()
               and page.active().get_attribute("id") == "commands-button")
    page.shot("keyboard")
    return wanted


def undo_steps(page, wanted):
    """Undo and redo from the keyboard and the buttons."""
    b = page.b
    before = page.panel_value("Material ID")
    check(before == wanted, f"Material ID is {before}, not {wanted}")
    undo = b.find_element(By.ID, "undo")
    check(undo.is_enabled() and "Material ID" in undo.get_attribute("aria-label"),
          f"Undo does not offer the last change: {undo.get_attribute('aria-label')!r}")
    undo.click()
    page.until("Material ID undone", lambda: page.panel_value("Material ID") != wanted)
    undone = page.panel_value("Material ID")
    b.find_element(By.ID, "redo").click()
    page.until("Material ID redone", lambda: page.panel_value("Material ID") == wanted)
    page.until("Redo done", lambda: b.find_element(By.ID, "redo").get_attribute("disabled"))
    b.find_element(By.ID, "frame-box").click()
    page.press(Keys.CONTROL, "z")
    page.until("Ctrl+Z undoes", lambda: page.panel_value("Material ID") == undone)
    page.press(Keys.CONTROL, Keys.SHIFT, "z")
    page.until("Ctrl+Shift+Z redoes", lambda: page.panel_value("Material ID") == wanted)
    print(f"undo and redo: Material ID {wanted} -> {undone} -> {wanted}")


def range_steps(page):
    """A value outside a labelled range is asked about before it is stored."""
    b = page.b
    page.open('#filters [data-filter*="TraceStep1"]')
    page.tab("Brush")
    label = "Material edge level [0-1]"
    old = page.panel_value(label)

    def type_in(text):
        page.type_into(label, text)
        page.until("the range question", page.modal_open)
        return b.find_element(By.ID, "modal-body").text

    question = type_in("5")
    check("5 is outside 0–1" in question and "keep it?" in question, f"the question reads {question!r}")
    page.shot("range-question")
    [put_back] = [e for e in b.find_elements(By.CSS_SELECTOR, "#modal button") if e.text == "Put it back"]
    put_back.click()
    page.until("the value put back", lambda: not page.modal_open() and page.panel_value(label) == old)
    type_in("5")
    [keep] = [e for e in b.find_elements(By.CSS_SELECTOR, "#modal button") if e.text == "Keep it"]
    keep.click()
    page.until("5 stored", lambda: not page.modal_open() and page.panel_value(label) == "5")
    page.click("the reset button", lambda: page.control(label).find_element(By.CSS_SELECTOR, "button.reset"))
    page.until("the default back", lambda: page.panel_value(label) == "0.5")
    print(f"range: 5 in \"{label}\" asked about, put back, kept; reset gives 0.5")


def utility_steps(page):
    """The shader utility run twice over: every shader of a surface listed,
    and one undo takes the second ones away again."""
    b = page.b

    def on_body():
        return len(b.find_elements(By.CSS_SELECTOR, '#objects button[aria-label^="Pawn Body:"]'))

    check(on_body() == 1, f"Pawn/Body lists {on_body()} shaders before the utility")
    page.click("Commands", lambda: b.find_element(By.ID, "commands-button"))
    page.click("the shader utility", lambda: b.find_element(By.CSS_SELECTOR, '#commands-menu [role="menuitem"]'))
    page.until("the utility's dialog", page.modal_open)
    b.find_element(By.ID, "modal-ok").click()
    page.until("the dialog closed", lambda: not page.modal_open())
    page.until("both shaders of Pawn/Body listed", lambda: on_body() == 2)
    page.shot("two-shaders")
    page.click("Undo", lambda: b.find_element(By.ID, "undo"))
    page.until("the second shaders gone", lambda: on_body() == 1)
    print("utility: a second shader on every surface, listed, and undone")


def rendering_steps(page):
    """The page shows a render under way, with progress and Cancel."""
    b = page.b
    # Found and changed in one step, as the panel may be drawn again meanwhile.
    page.until("Max brush size changed", lambda: page.js("""
        const i = document.querySelector('#panel-pane [data-label="Max brush size [pixel]"] input');
        if (!i) return false;
        i.value = String(Number(i.value) + 1);
        i.dispatchEvent(new Event('change', {bubbles: true}));
        return true;"""))
    page.until("the rendering state", lambda: b.find_element(By.ID, "cancel-render").is_displayed()
               and "Rendering" in b.find_element(By.ID, "render-text").text)
    text = b.find_element(By.ID, "render-text").text
    try:
        b.find_element(By.ID, "cancel-render").click()
        page.until("the render cancelled", lambda: "cancelled" in b.find_element(By.ID, "render-text").text)
        print(f"rendering: {text!r} shown, Cancel stopped it")
    except Exception:
        print(f"rendering: {text!r} shown; the render ended before Cancel was pressed")
    page.until("the state idle", lambda: not b.find_element(By.ID, "cancel-render").is_displayed())


def layout_steps(page):
    """At 800 x 600 the frame keeps a usable size and nothing spills sideways."""
    b = page.b
    b.set_window_size(800, 600)
    sizes = page.until("the layout at 800 x 600", lambda: page.js("""
        const c = document.getElementById('frame-canvas').getBoundingClientRect();
        return innerWidth <= 820 && {frame: c.width, page: document.documentElement.scrollWidth, window: innerWidth};"""))
    check(sizes["frame"] >= 280, f"the frame is {sizes['frame']:.0f} px wide at 800 x 600")
    check(sizes["page"] <= sizes["window"], f"the page is {sizes['page']} px wide in a {sizes['window']} px window")
    Select(b.find_element(By.ID, "zoom")).select_by_visible_text("200 %")
    zoomed = page.js("return document.getElementById('frame-canvas').getBoundingClientRect().width")
    check(zoomed > sizes["frame"] * 1.5, f"zoom 200 % gives {zoomed:.0f} px")
    page.shot("800x600")
    Select(b.find_element(By.ID, "zoom")).select_by_visible_text("fit")
    b.set_window_size(1400, 900)
    print(f"layout: the frame {sizes['frame']:.0f} px wide at 800 x 600; zoom 200 % {zoomed:.0f} px")


def dialog_steps(page, studio):
    """The line tracer's dialog: an emptied field keeps its value, a value
    outside its labelled range is asked about, Escape closes."""
    b = page.b
    b.get(studio.url)
    page.full_frame_after(0)
    page.click("the tracer", lambda: b.find_element(By.CSS_SELECTOR, '#filters [data-filter*="Tracer"]'))
    page.until("the tracer's dialog", page.modal_open)
    first = b.find_element(By.ID, "dialog-0")
    old = first.get_attribute("value")
    first.clear()
    second = b.find_element(By.ID, "dialog-1")
    second.clear()
    second.send_keys("5")
    b.find_element(By.ID, "modal-ok").click()
    page.until("the range question", lambda: "outside 0–1" in b.find_element(By.ID, "modal-error").text)
    b.find_element(By.ID, "modal-ok").click()
    page.until("the dialog confirmed", lambda: not page.modal_open())
    page.click("the tracer", lambda: b.find_element(By.CSS_SELECTOR, '#filters [data-filter*="Tracer"]'))
    page.until("the dialog again", page.modal_open)
    values = (b.find_element(By.ID, "dialog-0").get_attribute("value"),
              b.find_element(By.ID, "dialog-1").get_attribute("value"))
    check(values == (old, "5"), f"the dialog holds {values}, not ({old!r}, '5')")
    page.press(Keys.ESCAPE)
    page.until("Escape to close the dialog", lambda: not page.modal_open())
    print(f"dialog: the emptied field kept {old}, 5 asked about and kept, Escape closed it")


def run(page, studio, root):
    b = page.b
    b.get(studio.url)
    first = page.full_frame_after(0)
    page.shot("opened")
    print(f"opened {studio.url}: {first['width']} x {first['height']}")

    # A surface's line colour: the rendered pixels change, and turn green.
    page.open_surface("Pawn/Body")
    before = page.pixels()
    start = time.monotonic()
    page.js("""const i = arguments[0]; i.value = '#00ff00';
               i.dispatchEvent(new Event('change', {bubbles: true}));""",
            page.panel_input("Line color", "input[type=color]"))
    preview = page.until("the preview after the colour change",
                         lambda: (f := page.frame()) and f["version"] > first["version"] and f)
    print(f"preview {time.monotonic() - start:.2f} s after the change "
          f"(server: {preview['sinceChange']:.2f} s)")
    page.full_frame_after(first["version"])
    now = page.pixels()
    changed = sum(1 for i in range(0, min(len(before), len(now)), 4) if before[i:i + 3] != now[i:i + 3])
    check(len(now) == len(before) and changed > 50, f"only {changed} pixels changed with the line colour")
    greenish = sum(1 for i in range(0, len(now), 4) if now[i + 1] > 150 and now[i] < 100 and now[i + 2] < 100)
    check(greenish > 20, f"no green strokes in the frame ({greenish} green pixels)")
    page.shot("green-lines")
    print(f"line colour: {changed} pixels changed, {greenish} green")

    # TraceStep1's brush size: the strokes follow.
    page.open('#filters [data-filter*="TraceStep1"]')
    page.tab("Brush")
    before, version, start = page.pixels(), page.frame()["version"], time.monotonic()
    size = page.panel_input("Max brush size [pixel]")
    wider = float(size.get_attribute("value")) * 3
    page.js("""const i = arguments[0]; i.value = arguments[1];
               i.dispatchEvent(new Event('change', {bubbles: true}));""", size, str(wider))
    page.until("the preview after the brush change", lambda: page.frame()["version"] > version)
    print(f"brush size: preview {time.monotonic() - start:.2f} s after the change")
    page.full_frame_after(version)
    now = page.pixels()
    changed = sum(1 for i in range(0, len(now), 4) if before[i:i + 3] != now[i:i + 3])
    check(changed > 50, f"only {changed} pixels changed with the brush size")
    page.shot("wide-brush")
    page.open_surface("Pawn/Body")

    # Find unused ID: the field shows the new identifier.
    old = page.until("the Material ID field", lambda: page.panel_value("Material ID"))
    page.click("Find unused ID", lambda: page.control("Find unused ID").find_element(By.TAG_NAME, "button"))
    page.until("a new material identifier",
               lambda: page.panel_input("Material ID").get_attribute("value") not in (old, ""))
    new_id = page.panel_input("Material ID").get_attribute("value")
    print(f"find unused ID: {old} -> {new_id}")

    # "Override line settings" enables and disables the tolerance fields.
    page.tab("Advanced")
    tolerances = ("normal error factor [0-1]", "dist error factor [0-n]")

    def tolerances_enabled():
        return [page.panel_input(label).is_enabled() for label in tolerances]

    override = page.panel_input("Override line settings")
    if not override.is_selected():
        page.click("Override line settings", lambda: page.panel_input("Override line settings"))
        page.until("the tolerance fields enabled", lambda: tolerances_enabled() == [True, True])
    page.click("Override line settings", lambda: page.panel_input("Override line settings"))
    page.until("the tolerance fields disabled", lambda: tolerances_enabled() == [False, False])
    page.shot("override-off")
    print("override off: tolerance fields disabled")

    # A preset saved from one surface and loaded on another.
    title = page.preset("Save", "studio_test")
    saved = os.path.join(root, "studio_test.qvx")
    check(os.path.isfile(saved), f"the preset was not written to {saved} ({title})")
    page.open_surface("Pawn/Head")
    check(page.panel_input("Line color", "input[type=color]").get_attribute("value") != "#00ff00",
          "Head is green before the preset is loaded")
    version = page.frame()["version"]
    page.preset("Load", "studio_test.qvx")
    page.until("Head to take the preset's colour and identifier",
               lambda: page.panel_input("Line color", "input[type=color]").get_attribute("value") == "#00ff00"
               and page.panel_input("Material ID").get_attribute("value") == new_id)
    page.full_frame_after(version)
    page.shot("preset-loaded")
    print(f"preset saved as {os.path.basename(saved)} ({title}) and loaded on Pawn/Head")

    token_steps(page, studio)
    accessibility_steps(page)
    wanted = keyboard_steps(page)
    undo_steps(page, wanted)
    range_steps(page)
    utility_steps(page)
    rendering_steps(page)
    layout_steps(page)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--minihost", required=True)
    parser.add_argument("--scene", required=True)
    parser.add_argument("--line-scene", required=True, help="a scene with the line tracer's dialog")
    parser.add_argument("--artefacts", required=True, help="screenshots and files go here")
    args = parser.parse_args()

    shutil.rmtree(args.artefacts, ignore_errors=True)  # this run's screenshots only
    os.makedirs(args.artefacts)
    root = tempfile.mkdtemp(prefix="files-", dir=args.artefacts)
    profile = tempfile.mkdtemp(prefix="studio-browser-")
    studio = Studio(args.minihost, args.scene, root)
    browser = None
    try:
        browser = start_browser(profile)
        page = Page(browser, args.artefacts)
        run(page, studio, root)
        studio.stop()
        studio = Studio(args.minihost, args.line_scene, root)
        dialog_steps(page, studio)
    except AssertionError as e:
        print(f"FAIL: {e}; screenshots in {args.artefacts}")
        return 1
    finally:
        if browser:
            browser.quit()
        studio.stop()
        shutil.rmtree(profile, ignore_errors=True)
    print(f"PASS; screenshots in {args.artefacts}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
