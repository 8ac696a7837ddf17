"""Lumora.exe in one test prefix, seen from outside: its processes, its windows (through X and through the window
probe), the tray icon, the overlay, message boxes and menus."""

import time
from dataclasses import dataclass

from harness import HEIGHT, WIDTH, Failure, check, wait_for

TRAY_TITLE = "Wine System Tray"


@dataclass
class Win:
    depth: int
    handle: str
    pid: int
    visible: bool
    cls: str
    text: str
    box: tuple  # left, top, width, height

    @property
    def centre(self):
        left, top, width, height = self.box
        return left + width // 2, top + height // 2


class Lumora:
    def __init__(self, display, prefix, exe, probe, artifacts):
        self.display = display
        self.prefix = prefix
        self.exe = exe
        self.probe = probe
        self.artifacts = artifacts  # saves a named picture for people to look at

    # --- The program ---

    def launch(self):
        return self.prefix.start(self.exe, label="lumora")

    def start(self):
        """Starts Lumora.exe and waits until it sits in the tray."""
        process = self.launch()
        wait_for(lambda: self.tray_shown() or process.poll() is not None, 20, "Lumora's tray icon")
        check(process.poll() is None, f"Lumora.exe ended at start-up (exit code {process.poll()})")
        return process

    def pids(self):
        return sorted(self.prefix.processes("Lumora.exe"))

    # --- Windows as the program's desktop sees them ---

    def windows(self):
        code, out = self.prefix.run(self.probe, label="probe")
        check(code == 0, f"the window probe failed with exit code {code}")
        found = []
        for line in out.splitlines():
            fields = line.split("\t")
            if len(fields) != 7:
                continue
            box = tuple(int(v) for v in fields[6].split(","))
            found.append(Win(int(fields[0]), fields[1], int(fields[2]), fields[3] == "1", fields[4], fields[5], box))
        return found

    def tray_icon(self):
        """The visible icon window in Wine's stand-alone tray, or None. Lumora is the only program with an icon."""
        icons = [w for w in self.windows() if w.visible and w.cls == "__winex11_tray_icon"]
        return icons[0] if icons else None

    def tray_shown(self):
        return bool(self.display.visible_windows(name=f"^{TRAY_TITLE}$"))

    def tray_box(self):
        windows = self.display.visible_windows(name=f"^{TRAY_TITLE}$")
        return self.display.geometry(windows[0]) if windows else None

    def focus_tray(self):
        """Wine sees keys only while one of its X windows has the focus; the tray's window is one."""
        windows = self.display.visible_windows(name=f"^{TRAY_TITLE}$")
        check(windows, "no tray window to give the keyboard focus to")
        self.display.xdotool("windowfocus", "--sync", windows[0])

    def tray_tip(self):
        """Points at the tray icon and returns the text of the tooltip that appears."""
        icon = wait_for(self.tray_icon, 10, "the tray icon window")
        x, y = icon.centre
        # Two moves: the tooltip starts timing at a move inside the icon.
        self.display.move(x - 2, y - 2)
        time.sleep(0.1)
        self.display.move(x, y)

        def shown_tip():
            tips = [w.text for w in self.windows() if w.visible and w.cls == "tooltips_class32" and w.text]
            return tips[0] if tips else None

        text = wait_for(shown_tip, 10, "the tray icon's tooltip", interval=0.3)
        self.display.move(WIDTH // 2, HEIGHT // 2)  # away, so the tip goes
        return text

    def overlay_geometry(self):
        """The X geometry of a visible full-screen window of Lumora's, or None."""
        for pid in self.pids():
            for window in self.display.visible_windows(pid=pid):
                box = self.display.geometry(window)
                if box and box[2] >= WIDTH // 2 and box[3] >= HEIGHT // 2:
                    return box
        return None

    def overlay_shown(self):
        return self.overlay_geometry() is not None

    def box(self, title):
        windows = self.display.visible_windows(name=f"^{title}$")
        return windows[0] if windows else None

    def box_texts(self, title):
        """The texts of the static controls of the visible message box titled `title`."""
        windows = self.windows()
        for i, w in enumerate(windows):
            if w.depth == 0 and w.visible and w.cls == "#32770" and w.text == title:
                texts = []
                for child in windows[i + 1:]:
                    if child.depth == 0:
                        break
                    if child.cls == "Static" and child.text:
                        texts.append(child.text)
                return texts
        return None

    def answer_box(self, title, key):
        box = wait_for(lambda: self.box(title), 10, f'the message box "{title}"')
        self.display.xdotool("windowfocus", "--sync", box)
        self.display.key(key)
        wait_for(lambda: not self.box(title), 10, f'the message box "{title}" to close')

    # --- The tray menu ---

    def open_tray_menu(self):
        """Right-clicks the tray icon; returns the X geometry of the menu that opens."""
        icon = wait_for(self.tray_icon, 10, "the tray icon window")
        return self.open_menu_at(*icon.centre)

    def open_menu_at(self, x, y):
        """Right-clicks at (x, y); returns the X geometry of the popup menu that opens."""
        unnamed_before = set(self.display.visible_windows(name="^$"))
        self.display.move(x, y)
        time.sleep(0.15)
        self.display.xdotool("click", 3)

        def menu():
            for window in self.display.visible_windows(name="^$"):
                if window not in unnamed_before:
                    box = self.display.geometry(window)
                    if box and box[2] < WIDTH // 2:
                        return box
            return None

        box = wait_for(menu, 10, "the tray menu")
        time.sleep(0.3)  # the menu paints after it maps
        return box

    def menus(self):
        """The popup menus shown now: unnamed X windows narrower than half the screen."""
        found = set()
        for window in self.display.visible_windows(name="^$"):
            box = self.display.geometry(window)
            if box and box[2] < WIDTH // 2:
                found.add(window)
        return found

    def click_last_menu_item(self, menu_box):
        left, top, width, height = menu_box
        self.display.move(left + width // 3, top + height - 10)
        time.sleep(0.15)
        self.display.xdotool("click", 1)

    # --- Screens ---

    def screen_matches(self, expected, exclude=()):
        """The screenshot when it equals `expected` (outside `exclude`), else None."""
        shot = self.display.screenshot()
        return shot if not shot.differences(expected, exclude) else None

    def expect_screen(self, expected, what, exclude=(), timeout=10):
        """Waits until the screen shows `expected`; on failure says where and how it differs."""
        try:
            return wait_for(lambda: self.screen_matches(expected, exclude), timeout, what, interval=0.2)
        except Failure:
            shot = self.display.screenshot()
            diffs = shot.differences(expected, exclude)
            self.artifacts("expected", expected)
            samples = ", ".join(f"({x},{y}) {shot.at(x, y)} not {expected.at(x, y)}" for x, y in diffs[:4])
            raise Failure(f"{what}: {len(diffs)} pixels differ, e.g. {samples}")
