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
