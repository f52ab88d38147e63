#!/usr/bin/env python3
"""Times two whole commands against each other, round by round (wall time).

    paired-commands.py ID BYTES ROUNDS OUTPUT -- OURS... -- REFERENCE...

Each round runs ours and the reference once each, alternating which goes first, after
removing OUTPUT (a file or folder the commands write) so that no run replaces an
earlier output, and writing out whatever else waits to be written. Prints one line in the benchmark program's format:
    RESULT|ID|ours MB/s|reference MB/s|best-round ratio|median paired ratio|ours|reference
where a rate is BYTES over a side's fastest run.
"""
import os, shutil, statistics, subprocess, sys, time


def run(command, output):
    if os.path.isdir(output):
        shutil.rmtree(output)
    elif os.path.exists(output):
        os.remove(output)
    os.sync()  # no earlier run's data still waiting to be written during this one
    start = time.perf_counter()
    done = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    took = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit("failed (%d): %s\n%s" % (done.returncode, " ".join(command), done.stderr.decode(errors="replace")))
    return took


def main():
    args = sys.argv[1:]
    if len(args) < 8 or args[4] != "--" or "--" not in args[5:]:
        sys.exit(__doc__)
    fid, size, rounds, output = args[0], float(args[1]), int(args[2]), args[3]
    split = args.index("--", 5)
    ours, reference = args[5:split], args[split + 1:]
    best = [float("inf"), float("inf")]
    ratios = []
    for r in range(rounds):
        order = [0, 1] if r % 2 == 0 else [1, 0]
        took = [0.0, 0.0]
        for side in order:
            took[side] = run(ours if side == 0 else reference, output)
            best[side] = min(best[side], took[side])
        ratios.append(took[1] / took[0])
    rate = [size / 1e6 / t for t in best]
    print("RESULT|%s|%.1f|%.1f|%.3f|%.3f|%s|%s" % (fid, rate[0], rate[1], rate[0] / rate[1],
                                                  statistics.median(ratios), os.path.basename(ours[0]),
                                                  os.path.basename(reference[0])))


main()
