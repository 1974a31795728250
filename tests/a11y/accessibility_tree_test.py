#!/usr/bin/python3
"""The control as a screen reader hears it: through AT-SPI over D-Bus.

Starts a virtual X display, a private D-Bus session with the AT-SPI bus in
it, the server page on loopback and the demo host against it, then reads the
accessible tree the way Orca does and drives one edit through it.

    accessibility_tree_test.py --demo DEMO --server SERVER

Exits 77 (skipped) with one line saying why when the stack cannot start
here; under CI (CI set in the environment) that is a failure instead.
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIPPED = 77

# Every widget of the control's layout, as (role, name, parent's name): the
# names are full matches of the patterns. Table cells and column headers are
# the lists' own and are read through the lists.
LAYOUT = [
    ("panel", "Vendor Center", None),
    ("label", r"Non Selected Active Centers \(\d+\):", "Vendor Center"),
    ("label", r"Selected Centers \(\d+\):", "Vendor Center"),
    ("tree", "Non Selected Active Centers", "Vendor Center"),
    ("tree", "Selected Centers", "Vendor Center"),
    ("push button", ">", "Vendor Center"),
    ("push button", ">>", "Vendor Center"),
    ("push button", "<<", "Vendor Center"),
    ("push button", "<", "Vendor Center"),
    ("push button", "Commit to Database", "Vendor Center"),
    ("panel", "Find Center", "Vendor Center"),
    ("panel", "List to search", "Find Center"),
    ("radio button", "Non Selected Centers", "List to search"),
    ("radio button", "Selected Centers", "List to search"),
    ("radio button", "ID", "Find Center"),
    ("text", "Find by ID", "Find Center"),
    ("radio button", "Name", "Find Center"),
    ("text", "Find by Name", "Find Center"),
    ("push button", "Find", "Find Center"),
    ("label", r"Version Number: \d+\.\d+\.\d+", "Find Center"),
    ("panel", "Handling fee", "Vendor Center"),
    ("label", r"Duty / Brokerage Fee", "Handling fee"),
    ("check box", r"Duty / Brokerage Fee", "Handling fee"),
    ("label", r"Center / Handling Fee \(%\)", "Handling fee"),
    ("text", r"Center / Handling Fee \(%\)", "Handling fee"),
    ("push button", "Update", "Handling fee"),
    ("progress bar", "Load progress", "Vendor Center"),
]

# What the move buttons say they do, beside their names.
DESCRIPTIONS = {
    ">": "Select the current center",
    ">>": "Select all highlighted centers",
    "<<": "Deselect all highlighted centers",
    "<": "Deselect the current center",
}

LIST_PARTS = {"table cell", "table column header", "table row header"}


class Failed(Exception):
    pass


def cannot_run(reason):
    if os.environ.get("CI"):
        print(f"accessibility stack unavailable under CI: {reason}")
        sys.exit(1)
    print(f"SKIPPED: the accessibility stack cannot start here: {reason}")
    sys.exit(SKIPPED)


# What a screen reader heard of the control's news: (role, name, description)
# of every object whose description changed, as the events came.
HEARD = []


def pump_events():
    """Hands the AT-SPI events that came so far to their listeners."""
    if "gi.repository.GLib" in sys.modules:
        context = sys.modules["gi.repository.GLib"].MainContext.default()
        while context.iteration(False):
            pass


def wait_for(what, probe, seconds=20.0):
    deadline = time.monotonic() + seconds
    while True:
        pump_events()
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failed(f"timed out waiting for {what}")
        time.sleep(0.1)


def stop(process):
    """Ends a child this script started, and its own children."""
    if process is None or process.poll() is not None:
        return
    try:
        os.killpg(process.pid, signal.SIGTERM)
        process.wait(5)
    except (ProcessLookupError, subprocess.TimeoutExpired):
        os.killpg(process.pid, signal.SIGKILL)


# --- outside the D-Bus session: the display ---------------------------------


def outer(args):
    missing = [tool for tool in ("Xvfb", "dbus-run-session") if shutil.which(tool) is None]
    if not os.access(args.bus_launcher, os.X_OK):
        missing.append(args.bus_launcher)
    try:
        import gi

        gi.require_version("Atspi", "2.0")
        import pyatspi  # noqa: F401
    except (ImportError, ValueError) as error:
        missing.append(f"python3-pyatspi ({error})")
    if missing:
        cannot_run("missing " + ", ".join(missing))

    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    os.close(write_end)
    display = b""
    with os.fdopen(read_end, "rb") as pipe:
        display = pipe.readline().strip()
    if not display:
        stop(xvfb)
        cannot_run("Xvfb did not start")
    env = dict(os.environ, DISPLAY=":" + display.decode())
    try:
        inner = subprocess.run(
            ["dbus-run-session", "--", sys.executable, os.path.abspath(__file__), "--inner"] + sys.argv[1:],
            env=env, timeout=args.timeout)
        return inner.returncode
    except subprocess.TimeoutExpired:
        print(f"the accessibility test took longer than {args.timeout} s")
        return 1
    finally:
        stop(xvfb)


# --- inside the D-Bus session: the AT-SPI bus, the server page, the demo ----


def start_server(server, workdir):
    process = subprocess.Popen(
        [server, "--listen", "127.0.0.1:0", "--database", os.path.join(workdir, "demo.sqlite")],
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, start_new_session=True)
    for line in process.stdout:
        match = re.match(r"^listening on (\S+)$", line.strip())
        if match:
            return process, match.group(1)
    raise Failed("the server page did not start")


def bus_ready():
    # Asked without activating it: the session bus would start a second launcher.
    answer = subprocess.run(
        ["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
         "org.freedesktop.DBus.NameHasOwner", "string:org.a11y.Bus"], capture_output=True, text=True)
    return answer.returncode == 0 and "boolean true" in answer.stdout


def inner(args):
    launcher = subprocess.Popen(
        [args.bus_launcher, "--launch-immediately"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        start_new_session=True)
    server = demo = None
    workdir = tempfile.mkdtemp(prefix="vc-a11y-")
    try:
        try:
            wait_for("the AT-SPI bus", bus_ready, 10)
        except Failed:
            cannot_run("the AT-SPI bus launcher did not answer")
        server, base = start_server(args.server, workdir)
        import pyatspi

        registry_seconds = registry_answers(pyatspi)
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
                   LC_ALL="C.UTF-8", LANG="C.UTF-8", XDG_RUNTIME_DIR=workdir)
        demo_log = os.path.join(workdir, "demo.log")
        with open(demo_log, "wb") as log:
            demo = subprocess.Popen([args.demo, "--server", base], env=env, stdout=log, stderr=subprocess.STDOUT,
                                    start_new_session=True)

        def demo_on_bus():
            if demo.poll() is not None:
                raise Failed(f"the demo host ended with {demo.returncode} before it showed up:\n"
                             + tail_of(demo_log))
            return find_app(pyatspi)

        try:
            app = wait_for("the demo on the AT-SPI bus", demo_on_bus, 60)
        except Failed as failure:
            if demo.poll() is not None:
                raise
            desktop = pyatspi.Registry.getDesktop(0)
            seen = [desktop.getChildAtIndex(i).name for i in range(desktop.childCount)]
            cannot_run(f"the demo host never showed up on the AT-SPI bus ({failure}; the registry took "
                       f"{registry_seconds:.1f} s to answer; applications seen: {seen}); it printed:\n"
                       + tail_of(demo_log))
        check_control(pyatspi, app)
        print("the control's accessible tree is as a screen reader needs it")
        return 0
    except Failed as failure:
        print(f"FAILED: {failure}")
        return 1
    finally:
        stop(demo)
        stop(server)
        stop(launcher)
        shutil.rmtree(workdir, ignore_errors=True)


# --- the tree ---------------------------------------------------------------


def registry_answers(pyatspi):
    """The registry itself, started by the first question to it: asked
    before the demo starts, so that its start-up does not eat the demo's time."""
    started = time.monotonic()
    try:
        pyatspi.Registry.getDesktop(0).childCount
    except Exception as error:  # any D-Bus failure: the stack is not usable here
        cannot_run(f"the AT-SPI registry did not answer ({error})")
    return time.monotonic() - started


def tail_of(path, lines=20):
    with open(path, "rb") as log:
        return "\n".join(log.read().decode(errors="replace").splitlines()[-lines:])


def find_app(pyatspi):
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        app = desktop.getChildAtIndex(index)
        if app is not None and app.name == "VendorCenter Demo":
            return app
    return None


def descendants(node):
    """Every object below `node` that is not a part of a list's table."""
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is None or child.getRoleName() in LIST_PARTS:
            continue
        yield child
        yield from descendants(child)


def find(root, role, name):
    found = [o for o in descendants(root) if o.getRoleName() == role and re.fullmatch(name, o.name or "")]
    if len(found) != 1:
        raise Failed(f"{len(found)} objects of role {role!r} named {name!r}, not one")
    return found[0]


def has_state(pyatspi, node, state):
    return node.getState().contains(state)


def rows(tree):
    """The list's rows, top to bottom, as (id cell, name) pairs."""
    table = tree.queryTable()
    return [(table.getAccessibleAt(r, 0), table.getAccessibleAt(r, 1).name) for r in range(table.nRows)]


def click(pyatspi, node):
    extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(extents.x + extents.width // 2, extents.y + extents.height // 2,
                                        pyatspi.MOUSE_B1C)


def press(pyatspi, node):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if "Press" not in names:
        raise Failed(f"{node.name!r} offers no Press action, only {names}")
    action.doAction(names.index("Press"))


def check_layout(control):
    seen = []
    for node in [control] + list(descendants(control)):
        parent = node.parent
        seen.append((node.getRoleName(), node.name or "", parent.name if node is not control else None))
    unmatched = list(seen)
    for role, name, parent in LAYOUT:
        hits = [s for s in unmatched if s[0] == role and re.fullmatch(name, s[1]) and s[2] == parent]
        if len(hits) != 1:
            raise Failed(f"{len(hits)} objects {role!r} {name!r} in {parent!r}, not one")
        unmatched.remove(hits[0])
    if unmatched:
        raise Failed(f"objects of the layout no screen reader can tell: {unmatched}")


def listen_for_news(pyatspi):
    def heard(event):
        source = event.source
        HEARD.append((source.getRoleName(), source.name, source.description))

    pyatspi.Registry.registerEventListener(heard, "object:property-change:accessible-description")


def wait_to_hear(text):
    news = ("panel", "Vendor Center", text)
    wait_for(f"the news {text!r}", lambda: news in HEARD, 10)
    HEARD.clear()


def check_control(pyatspi, app):
    control = wait_for("the control's panel", lambda: next(
        (o for o in descendants(app) if o.getRoleName() == "panel" and o.name == "Vendor Center"), None))
    left = find(control, "tree", "Non Selected Active Centers")
    right = find(control, "tree", "Selected Centers")
    commit = find(control, "push button", "Commit to Database")
    add = find(control, "push button", ">")
    wait_for("the load", lambda: rows(left) and rows(right) and has_state(pyatspi, left, pyatspi.STATE_SENSITIVE))
    # The news a sighted user sees at a glance reaches the screen reader as events.
    listen_for_news(pyatspi)
    press(pyatspi, find(app, "push button", "Load vendor"))
    wait_to_hear(f"Centers loaded: {len(rows(right))} selected, {len(rows(left))} not selected")

    check_layout(control)
    if left.name == right.name:
        raise Failed("the two lists carry the same name")
    for name, description in DESCRIPTIONS.items():
        button = find(control, "push button", re.escape(name))
        if button.description != description:
            raise Failed(f"{name!r} says {button.description!r}, not {description!r}")
    if has_state(pyatspi, commit, pyatspi.STATE_SENSITIVE) or commit.description:
        raise Failed(f"the commit button offers a commit with nothing pending ({commit.description!r})")

    # One edit through AT-SPI: a row clicked, ">" pressed by its action.
    moving_cell, moving_name = rows(left)[0]
    moving_id = moving_cell.name
    click(pyatspi, moving_cell)
    wait_for("'>' to become available", lambda: has_state(pyatspi, add, pyatspi.STATE_SENSITIVE), 10)
    press(pyatspi, add)
    moved = wait_for("the row in Selected Centers",
                     lambda: next((cell for cell, _ in rows(right) if cell.name == moving_id), None), 10)
    if any(cell.name == moving_id for cell, _ in rows(left)):
        raise Failed(f"center {moving_id} is still in Non Selected Active Centers")
    if not re.fullmatch(r"Will be added: handling fee .+ %.*", moved.description or ""):
        raise Failed(f"the moved row says {moved.description!r}, not what the commit will do")
    wait_for("the commit summary", lambda: commit.description == "1 to add", 5)
    wait_to_hear("Centers moved to Selected Centers: 1")
    if not has_state(pyatspi, commit, pyatspi.STATE_SENSITIVE):
        raise Failed("the commit button is not available with a change pending")

    # ">" by key: the focus goes to the moved row, or stays on the source list.
    # The second row, so that the two clicks never make a double click.
    next_cell, _ = rows(left)[1]
    next_id = next_cell.name
    click(pyatspi, next_cell)
    wait_for("'>' to become available again", lambda: has_state(pyatspi, add, pyatspi.STATE_SENSITIVE), 10)
    add.queryComponent().grabFocus()
    wait_for("the focus on '>'", lambda: has_state(pyatspi, add, pyatspi.STATE_FOCUSED), 5)
    pyatspi.Registry.generateKeyboardEvent(0x20, None, pyatspi.KEY_SYM)
    wait_for("the second row in Selected Centers", lambda: any(c.name == next_id for c, _ in rows(right)), 10)
    wait_for("the second change in the summary", lambda: commit.description == "2 to add", 5)
    wait_to_hear("Centers moved to Selected Centers: 1")
    focused = wait_for("the focus after '>'", lambda: [
        o for o in descendants(control) if has_state(pyatspi, o, pyatspi.STATE_FOCUSED)], 5)
    if focused == [right]:
        table = right.queryTable()
        row = next(r for r in range(table.nRows) if table.getAccessibleAt(r, 0).name == next_id)
        if not table.isRowSelected(row):
            raise Failed(f"the focus is on Selected Centers, but not on the moved row {next_id}")
    elif focused != [left]:
        raise Failed(f"the focus after '>' is on {[(o.getRoleName(), o.name) for o in focused]}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--demo", required=True)
    parser.add_argument("--server", required=True)
    parser.add_argument("--bus-launcher", default="/usr/libexec/at-spi-bus-launcher")
    parser.add_argument("--timeout", type=float, default=150)
    parser.add_argument("--inner", action="store_true", help=argparse.SUPPRESS)
    args = parser.parse_args()
    sys.stdout.reconfigure(line_buffering=True)
    return inner(args) if args.inner else outer(args)


if __name__ == "__main__":
    sys.exit(main())
