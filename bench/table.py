"""The README's table of figures, as bench/run.sh and bench/run-windows.sh print it."""


class Table:
    def __init__(self):
        self.rows = []

    def row(self, figure, ours, theirs, unit, target):
        # One ratio of medians, and whether it meets its target (None: it has none).
        ratio = float(ours) / float(theirs)
        met = "—" if target is None else ("yes" if ratio <= target else "**no**")
        self.rows.append("| %s | %s %s | %s %s | %.2fx | %s | %s |" % (
            figure, ours, unit, theirs, unit, ratio, "—" if target is None else "≤ %gx" % target, met))

    def print(self):
        print("| Figure | Kicklist | Yardstick | Ratio | Target | Met |")
        print("|---|---|---|---|---|---|")
        print("\n".join(self.rows))
