"""The accessibility tree of the running programs, for the end-to-end tests."""


def walk(node, depth=0):
    """Every object below node (node first), at most 40 levels deep."""
    yield node
    if depth > 40:
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def all_nodes():
    """Every object of every program on the bus."""
    import pyatspi
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None:
            yield from walk(app)


def wait_for(what, test, limit=25):
    """What test() gives once it gives something; ends the test (status 1)
    after limit seconds, saying what it waited for and which windows there
    were."""
    import sys
    import time
    end = time.time() + limit
    while time.time() < end:
        found = test()
        if found:
            return found
        time.sleep(0.1)
    print("FAIL: no result after waiting %d s for %s" % (limit, what))
    print("windows:", [(n.getRoleName(), n.name) for n in all_nodes()
                       if n.getRoleName() in ("dialog", "file chooser", "frame", "window", "alert")])
    sys.exit(1)
