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

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.common.exceptions import NoSuchElementException, StaleElementReferenceException
    from selenium.webdriver.common.by import By
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
        match = re.search(r"http://\S+/", line)
        if not match:
            self.proc.kill()
            sys.exit(f"FAIL: minihost serve printed no URL: {line!r} {self.proc.stderr.read()!r}")
        self.url = match.group(0)

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
        self.b.find_element(By.CSS_SELECTOR, selector).click()
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


def check(condition, message):
    if not condition:
        raise AssertionError(message)


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
    material = page.panel_input("Material ID")
    old = material.get_attribute("value")
    page.control("Find unused ID").find_element(By.TAG_NAME, "button").click()
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
        override.click()
        page.until("the tolerance fields enabled", lambda: tolerances_enabled() == [True, True])
    page.panel_input("Override line settings").click()
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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--minihost", required=True)
    parser.add_argument("--scene", required=True)
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
