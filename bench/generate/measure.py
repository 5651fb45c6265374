#!/usr/bin/python3
"""measure.py ROUNDS CLI PROJECT SITE WORK: times, round by round, corvanta-cli
generate into an empty folder, generate again into the folder it filled, and
cp -r of the folder into a fresh one; prints the medians in seconds."""
import os
import shutil
import statistics
import subprocess
import sys
import time

rounds, cli, name, site, work = sys.argv[1:]
copy = os.path.join(work, "copy")


def timed(args):
    start = time.perf_counter()
    done = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    seconds = time.perf_counter() - start
    if done.returncode != 0:
        sys.stderr.write(done.stdout.decode(errors="replace") + done.stderr.decode(errors="replace"))
        sys.exit("generate: %s failed" % " ".join(args))
    return seconds, done.stdout.decode(errors="replace")


fresh, again, reference = [], [], []
report = ""
for _ in range(int(rounds)):
    shutil.rmtree(site, ignore_errors=True)
    fresh.append(timed([cli, "generate", name])[0])
    seconds, report = timed([cli, "generate", name])
    again.append(seconds)
    shutil.rmtree(copy, ignore_errors=True)
    reference.append(timed(["cp", "-r", site, copy])[0])

files = [os.path.join(d, f) for d, _, names in os.walk(site) for f in names]
unchanged = report.count("(unchanged)")
print("%d files, %d bytes; %d rounds; the second generation left %d files unchanged"
      % (len(files), sum(os.path.getsize(f) for f in files), int(rounds), unchanged))
print("median: generate %.1f ms (into an empty folder %.1f ms), cp -r %.1f ms"
      % (statistics.median(again) * 1000, statistics.median(fresh) * 1000,
         statistics.median(reference) * 1000))
print("times %.6f %.6f" % (statistics.median(again), statistics.median(reference)))
