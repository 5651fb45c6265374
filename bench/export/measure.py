#!/usr/bin/python3
"""measure.py [--stdin FILE] COMMAND...: runs the command, prints its wall time in
seconds and its peak memory in KB; ends with the command's exit status."""
import resource
import subprocess
import sys
import time

args = sys.argv[1:]
stdin = None
if args[:1] == ["--stdin"]:
    stdin = open(args[1], "rb")
    args = args[2:]
start = time.monotonic()
done = subprocess.run(args, stdin=stdin, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
seconds = time.monotonic() - start
if done.returncode != 0:
    sys.stderr.write(done.stderr.decode(errors="replace"))
print("%.4f %d" % (seconds, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss))
sys.exit(done.returncode)
