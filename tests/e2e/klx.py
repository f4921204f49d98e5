"""What test_store_crash.py still takes from the old whole-program helpers:
its wait bound and a reader of the settings file's plain values."""

DEFAULT_WAIT = 15.0


def parse_ini(data):
    """Section -> {key: value} of a file the program wrote (plain values only)."""
    sections, current = {}, None
    for raw in data.decode("utf-8").splitlines():
        line = raw.strip()
        if not line or line.startswith(";"):
            continue
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1], {})
            continue
        key, sep, value = line.partition("=")
        if not sep:
            raise AssertionError("line without '=' in a file the program wrote: %r" % raw)
        value = value.strip()
        if value.startswith('"') and value.endswith('"') and len(value) >= 2:
            value = value[1:-1]
        current[key.strip()] = value.replace('\\"', '"').replace("\\\\", "\\")
    return sections
