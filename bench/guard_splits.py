#!/usr/bin/env python3
"""The split cycles the repeat guard let through, and what other guard rules
would have cost.

    guard_splits.py cycles LABEL BASES.tsv SUMMARY.tsv DEPTH [GENOME.fa SEEDS.tsv]
    guard_splits.py rules CYCLES.tsv...

`cycles` reads one lorvex-extend run's --bases-tsv and --summary-tsv (and its
single-copy depth D), replays each side's local depth as the guard keeps it,
and prints every cycle whose runner-up holds 2 votes or more, the cycle that
stopped the side included: the label, seed, side, step ("stop" for the
stopping cycle), the bases the side added after it, the winner, runner-up and
total votes, the local depth, D, whether the base chosen is the genome's
("ok", "wrong", or "?" without a genome or past its ends; seeds.tsv gives
each seed's start, length and strand), and the side's stop.

`rules` reads such tables and prints, per candidate rule, what it would do if
it ended a side at the first accepted cycle where it fires (the guard as it
is never fires there): the wrong bases it keeps out and the correct bases it
loses, with the runs that lose the most.
"""
import math
import sys

from fasta import read_fasta, read_tsv, reverse_complement

# The guard's local depth (src/extension/repeat_guard.h).
LOCAL_DEPTH_CYCLES = 200
LOCAL_DEPTH_LEAST = 20
ADMIT_FACTOR = 1.5


class LocalDepth:
    def __init__(self, depth):
        self.depth, self.value, self.recent, self.next = depth, 0, [], 0

    def get(self):
        return self.value if self.value > 0 else self.depth

    def observe(self, votes):
        started = len(self.recent) >= LOCAL_DEPTH_LEAST
        if started and votes >= max(ADMIT_FACTOR * self.get(), self.depth):
            return
        if len(self.recent) < LOCAL_DEPTH_CYCLES:
            self.recent.append(votes)
        else:
            self.recent[self.next] = votes
            self.next = (self.next + 1) % LOCAL_DEPTH_CYCLES
        if len(self.recent) >= LOCAL_DEPTH_LEAST:
            self.value = max(1, sorted(self.recent)[len(self.recent) // 2])


def cycles(label, bases_tsv, summary_tsv, depth, genome_fa=None, seeds_tsv=None):
    depth = float(depth)
    genome = read_fasta(genome_fa)[0][2] if genome_fa else None
    seeds = {row["name"]: row for row in read_tsv(seeds_tsv)} if seeds_tsv else {}
    summary = {(row["seed"], row["side"]): row for row in read_tsv(summary_tsv)}

    def truth(seed, position, base):
        if genome is None or seed not in seeds:
            return "?"
        placed = seeds[seed]
        left = int(summary[(seed, "left")]["added"]) if (seed, "left") in summary else 0
        start, length = int(placed["start"]), int(placed["length"])
        if placed["strand"] == "+":
            at, reference = start - left + position - 1, base
        else:  # the contig is the seed's reverse complement, grown on both ends
            at, reference = start + length + left - position, reverse_complement(base)
        if not 0 <= at < len(genome):
            return "?"
        return "ok" if genome[at] == reference else "wrong"

    def line(seed, side, step, after, votes, local, judged):
        ranked = sorted(votes, reverse=True)
        if ranked[1] < 2:
            return
        fields = (label, seed, side, step, after, ranked[0], ranked[1], sum(votes), f"{local:g}",
                  f"{depth:g}", judged, summary[(seed, side)]["stop"])
        print("\t".join(map(str, fields)))

    local = {side: LocalDepth(depth) for side in summary}
    with open(bases_tsv) as handle:  # streamed: a run may add millions of bases
        columns = handle.readline().rstrip("\n").split("\t")
        for text in handle:
            row = dict(zip(columns, text.rstrip("\n").split("\t")))
            side = (row["seed"], row["side"])
            votes = [int(row[base]) for base in "ACGT"]
            line(*side, row["step"], int(summary[side]["added"]) - int(row["step"]), votes,
                 local[side].get(), truth(row["seed"], int(row["position"]), row["base"]))
            local[side].observe(sum(votes))
    for side, stop in summary.items():
        line(*side, "stop", 0, [int(stop["stop_" + base]) for base in "ACGT"], local[side].get(),
             "stop")


# Candidate rules on (winner, runner-up, total, local depth, D), each meant to
# catch a split between copies that comes without a depth jump.
RULES = {
    f"winner below {share:g} x min(D, local); runner-up >= max(3, votes / 4)":
        (lambda w, r, t, l, d, share=share: r >= max(3, t / 4) and w < share * min(d, l))
    for share in (0.45, 0.5, 0.55)
}
RULES.update({
    f"votes below the local depth by more than its noise; runner-up >= max(3, {share:g} x votes)":
        (lambda w, r, t, l, d, share=share:
         r >= max(3, share * t) and t <= l - max(r / 3, math.sqrt(l)))
    for share in (0.25, 0.3, 0.35)
})
RULES.update({
    f"local depth >= {factor:g} D; runner-up >= max(3, votes / 4)":
        (lambda w, r, t, l, d, factor=factor: l >= factor * d and r >= max(3, t / 4))
    for factor in (1.2, 1.5)
})
# The two that lose least, with D or the local depth a little off, as an
# estimate from other reads could give them.
for scale in (0.95, 1, 1.05):
    RULES[f"runner-up >= max(2, 0.3 x min(D, local)); winner below half of min(D, local); "
          f"D x {scale:g}"] = (
        lambda w, r, t, l, d, scale=scale:
        r >= max(2, 0.3 * min(scale * d, l)) and w < 0.5 * min(scale * d, l))
for scale in (0.95, 1.05):
    RULES[f"votes below the local depth by more than its noise; runner-up >= max(3, 0.35 x votes); "
          f"local depth x {scale:g}"] = (
        lambda w, r, t, l, d, scale=scale:
        r >= max(3, 0.35 * t) and t <= scale * l - max(r / 3, math.sqrt(scale * l)))


def rules(paths):
    rows = []
    for path in paths:
        with open(path) as handle:
            rows += [line.rstrip("\n").split("\t") for line in handle if line.strip()]
    accepted = [row for row in rows if row[3] != "stop"]
    wrong_at = {}
    for row in accepted:
        if row[10] == "wrong":
            wrong_at.setdefault(tuple(row[:3]), []).append(int(row[3]))
    print("| rule | wrong bases kept out | correct bases lost | runs that lose most |")
    print("|---|---|---|---|")
    for name, rule in RULES.items():
        first = {}
        for row in accepted:
            winner, runner_up, total = (int(value) for value in row[5:8])
            local, depth = float(row[8]), float(row[9])
            if rule(winner, runner_up, total, local, depth):
                side, step = tuple(row[:3]), int(row[3])
                if side not in first or step < first[side][0]:
                    first[side] = (step, int(row[4]))
        kept_out, lost = 0, {}
        for side, (step, after) in first.items():
            wrong = sum(1 for at in wrong_at.get(side, []) if at >= step)
            kept_out += wrong
            lost[side[0]] = lost.get(side[0], 0) + after + 1 - wrong
        most = sorted(((bases, run) for run, bases in lost.items() if bases), reverse=True)[:4]
        print(f"| {name} | {kept_out} | {sum(lost.values()):,} | "
              f"{', '.join(f'{run} {bases:,}' for bases, run in most) or '-'} |")


if __name__ == "__main__":
    if len(sys.argv) >= 6 and sys.argv[1] == "cycles":
        cycles(*sys.argv[2:])
    elif len(sys.argv) >= 3 and sys.argv[1] == "rules":
        rules(sys.argv[2:])
    else:
        sys.exit(__doc__)
