# The installer built beside Lumora.exe, run silently as a deployment tool would: install, upgrade over a running
# Lumora, uninstall; the files, shortcut and registry entries it leaves, and the settings it keeps.

from pathlib import Path, PureWindowsPath

from desktop import OPTIONS_KEY, RUN_KEY, check, wait_for

UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumora"


def closed(app, by):
    # Lumora has ended by the time `by` is done; its icon goes with it.
    check(not app.pids(), f"Lumora still runs after {by}")
    wait_for(lambda: not app.tray(), f"the tray icon to go after {by}")


def test_silent_install_upgrade_over_a_running_lumora_and_uninstall_keeping_the_settings(app):
    build, users = Path(app.exe).parent, app.prefix / "drive_c" / "users"
    version = (build / "version.txt").read_text().strip()
    setup, settings = build / f"Lumora-{version}-setup.exe", app.values(OPTIONS_KEY)
    check(settings, "the prefix has no settings to keep")
    check(app.wine(setup, "/S", label="install")[0] == 0, "the silent install failed")

    [folder] = users.glob("*/AppData/Local/Programs/Lumora")
    [shortcut] = users.glob("*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Lumora.lnk")
    files = {p.name: p.read_bytes() for p in folder.iterdir()}
    check(sorted(files) == ["Lumora.exe", "Uninstall.exe", "lumo.chm"], f"installed: {sorted(files)}")
    check(files["Lumora.exe"] == Path(app.exe).read_bytes() and files["lumo.chm"] == (build / "lumo.chm").read_bytes(),
          "the installed Lumora.exe or lumo.chm is not the build's")
    where = str(PureWindowsPath("C:/", folder.relative_to(app.prefix / "drive_c")))
    entry = app.values(UNINSTALL_KEY)
    size = int(entry.pop("EstimatedSize", "0"), 16)
    check(abs(size - sum(map(len, files.values())) // 1024) <= 3, f"EstimatedSize {size} KB")
    check(entry == {"DisplayName": "Lumora", "Publisher": "Quillfen", "DisplayVersion": version,
                    "DisplayIcon": rf"{where}\Lumora.exe,0", "InstallLocation": where,
                    "UninstallString": rf'"{where}\Uninstall.exe"', "QuietUninstallString": rf'"{where}\Uninstall.exe" /S',
                    "NoModify": "0x1", "NoRepair": "0x1"}, f"the Uninstall entry: {entry}")

    # An upgrade closes the running program first and keeps the settings.
    app.exe = folder / "Lumora.exe"
    app.start()
    check(app.wine(setup, "/S", label="upgrade")[0] == 0, "the silent upgrade failed")
    closed(app, "the upgrade")
    check(app.values(OPTIONS_KEY) == settings, "the upgrade changed the settings")

    # The uninstaller closes it too, and leaves only the settings.
    app.start()
    app.option("Lumora", rf'"{where}\Lumora.exe"', key=RUN_KEY)
    app.wine(rf"{where}\Uninstall.exe", "/S", label="uninstall")  # it goes on from a copy in the temporary folder
    wait_for(lambda: not folder.exists() and not shortcut.exists(), "the program's folder and shortcut to go", 30)
    closed(app, "the uninstall")
    check(not app.values(UNINSTALL_KEY) and "Lumora" not in app.values(RUN_KEY), "the Uninstall or Run entry stayed")
    check(app.values(OPTIONS_KEY) == settings, "the silent uninstall did not keep the settings")
