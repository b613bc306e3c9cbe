#!/usr/bin/env bash
# Side-by-side comparison of the data model's reading, writing and smoothing
# with numpy / scipy and with plain C++ limit loops, all in one run:
#   bash bench/compare.sh
# VELOR_COMPARE_DIR: where the data files go (default /tmp/velor_compare);
# they are written once and reused.  The Release build goes to
# build/compare-rel.  Installs python3-numpy and python3-scipy with apt-get
# when they are missing.
set -euo pipefail

Root=$(cd "$(dirname "$0")/.." && pwd)
Build="$Root/build/compare-rel"
Data=${VELOR_COMPARE_DIR:-/tmp/velor_compare}
mkdir -p "$Data"

# The Debian packages live with the system's interpreter, which another
# python3 earlier on PATH (pyenv, a virtual environment) would not see.
Py=/usr/bin/python3
[ -x "$Py" ] || Py=python3
if ! "$Py" -c "import numpy, scipy" 2>/dev/null; then
    echo "installing python3-numpy and python3-scipy" >&2
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get install -y python3-numpy python3-scipy >/dev/null
fi

cmake -S "$Root" -B "$Build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$Build" -j3 --target bench_model_compare_tool bench_model_files bench_model_smooth >/dev/null
Tool="$Build/bench/bench_model_compare_tool"

[ -f "$Data/rep1000.ast" ] || "$Tool" gen "$Data"

Results="$Data/results.txt"
: >"$Results"

echo "timing the model and the limit loops" >&2
"$Tool" run "$Data" >>"$Results"

echo "timing numpy and scipy" >&2
"$Py" - "$Data" >>"$Results" <<'PY'
import sys, time, os
import numpy as np
from scipy.signal import savgol_filter
from scipy.ndimage import uniform_filter1d
d = sys.argv[1]
def t(f, runs=5):
    f()
    ts = []
    for _ in range(runs):
        s = time.perf_counter(); f(); ts.append((time.perf_counter() - s) * 1000)
    ts.sort()
    return ts[len(ts) // 2]
print("np_read_whole %.3f" % t(lambda: np.loadtxt(d + "/whole.ast", comments="#"), 3))
for r in (10, 100, 1000):
    print("np_read_rep%d %.3f" % (r, t(lambda: np.loadtxt(d + "/rep%d.ast" % r, comments="#"), 3)))
frac = np.loadtxt(d + "/frac.ast", comments="#")
whole = np.loadtxt(d + "/whole.ast", comments="#")
out = d + "/np_out.txt"
print("np_write_frac %.3f" % t(lambda: np.savetxt(out, frac, fmt="%.15g", newline="\r\n"), 3))
print("np_write_whole %.3f" % t(lambda: np.savetxt(out, whole, fmt="%d", newline="\r\n"), 3))
os.remove(out)
for kind in ("whole", "abs"):
    s = np.loadtxt(d + "/%s.txt" % kind)
    for n in (10, 100):
        print("np_ma_%s_N%d %.3f" % (kind, n, t(lambda: uniform_filter1d(s, 2 * n + 1, mode="nearest"))))
    print("np_sg_%s_N10 %.3f" % (kind, t(lambda: savgol_filter(s, 21, 2, mode="nearest"))))
PY

echo "first reads in fresh processes" >&2
for I in 1 2 3; do
    echo "fresh_ours $("$Tool" fresh "$Data/whole.ast")" >>"$Results"
    echo "fresh_limit $("$Tool" freshlimit "$Data/whole.ast")" >>"$Results"
    echo "fresh_numpy $("$Py" -c '
import sys, time, resource
import numpy as np
def rss():
    return int(open("/proc/self/statm").read().split()[1]) * resource.getpagesize() / 1048576
b = rss(); s = time.perf_counter()
np.loadtxt(sys.argv[1], comments="#")
ms = (time.perf_counter() - s) * 1000
peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
print("%.3f %.2f %.2f" % (ms, peak - b, peak))' "$Data/whole.ast")" >>"$Results"
done

echo "experiment saves in fresh processes" >&2
for N in 250 1000; do
    for I in 1 2 3; do
        echo "savepeak_$N $("$Tool" savepeak "$Data" "$N")" >>"$Results"
    done
done

"$Py" - "$Results" "$Data/whole.ast" <<'PY'
import sys, os, statistics
r = {}
fresh = {}
for line in open(sys.argv[1]):
    k, *v = line.split()
    if k.startswith("fresh_") or k.startswith("savepeak_"):
        fresh.setdefault(k, []).append([float(x) for x in v])
    else:
        r[k] = float(v[0])
size = os.path.getsize(sys.argv[2]) / 1048576
def f(x):
    return "%.1f" % x if x is not None else "-"
rows = []
def row(label, ours, np_key, lim_key, unit="ms", scale=1.0, target=None):
    o = r.get(ours); n = r.get(np_key) if np_key else None; l = r.get(lim_key) if lim_key else None
    o = o * scale if o is not None else None
    n = n * scale if n is not None else None
    l = l * scale if l is not None else None
    ratio_n = "%.2f" % (o / n) if o and n else "-"
    ratio_l = "%.2f" % (o / l) if o and l else "-"
    rows.append((label, f(o), f(n), f(l), ratio_n, ratio_l, target or ""))
ns = 1e6 / 1e6  # ms for 1,000,000 points == ns per point
row("read sample, whole numbers, warm (ms)", "read_whole", "np_read_whole", "read_whole_limit", target="<= 1.5x limit, <= 0.5x numpy")
for k in (10, 100, 1000):
    row("read 1M points as %d replicates (ms)" % k, "read_rep%d" % k, "np_read_rep%d" % k, "read_rep%d_limit" % k, target="flat")
row("write, whole numbers (ms)", "write_whole", "np_write_whole", "write_whole_limit", target="<= 1.5x limit")
row("write, fractional, 15 digits (ms)", "write_frac", "np_write_frac", "write_frac_limit", target="<= 1.5x limit")
row("  of which: safe writer alone, 5.7 MB (ms)", "write_text_safe", None, "write_text_plain", target="(limit: write + fsync)")
for s in (250, 500, 1000):
    row("write experiment %d x 5 x 1000 (ms)" % s, "write_exp%d" % s, None, "write_exp%d_limit" % s, target="linear, <= 1.5x limit")
for kind in ("whole", "abs"):
    for n in (10, 100):
        row("moving average N=%d, %s (ns/point)" % (n, kind), "ma_%s_N%d" % (kind, n), "np_ma_%s_N%d" % (kind, n), "ma_%s_N%d_limit" % (kind, n), target="<= scipy" if kind == "whole" else "")
    row("Savitzky-Golay N=10, %s (ns/point)" % kind, "sg_%s_N10" % kind, "np_sg_%s_N10" % kind, "sg_%s_N10_limit" % kind, target="<= scipy" if kind == "abs" else "")
w = [44, 9, 9, 9, 9, 9, 28]
hdr = ("operation (1,000,000 values)", "ours", "numpy", "limit", "/numpy", "/limit", "target")
print(" | ".join(h.ljust(x) for h, x in zip(hdr, w)))
print("-+-".join("-" * x for x in w))
for rr in rows:
    print(" | ".join(str(c).ljust(x) for c, x in zip(rr, w)))
print()
print("first read in a fresh process, whole numbers, %.1f MiB file (median of 3):" % size)
for k, label in (("fresh_ours", "ours"), ("fresh_limit", "from_chars limit"), ("fresh_numpy", "numpy.loadtxt")):
    v = fresh.get(k)
    if not v:
        continue
    ms = statistics.median(x[0] for x in v)
    grow = statistics.median(x[1] for x in v)
    peak = statistics.median(x[2] for x in v)
    print("  %-18s %8.1f ms   peak grew %6.1f MiB (%.2fx the file)   process peak %6.1f MiB" % (label, ms, grow, grow / size, peak))
o = statistics.median(x[0] for x in fresh["fresh_ours"]); l = statistics.median(x[0] for x in fresh["fresh_limit"]); n = statistics.median(x[0] for x in fresh["fresh_numpy"])
print("  ours / limit %.2f (target <= 1.3), ours / numpy %.2f (target < 1)" % (o / l, o / n))
print()
print("experiment save in a fresh process, N x 5 x 1000 whole readings (median of 3):")
for n in (250, 1000):
    v = fresh.get("savepeak_%d" % n)
    if not v:
        continue
    ms = statistics.median(x[0] for x in v)
    held = statistics.median(x[1] for x in v)
    rise = statistics.median(x[2] for x in v)
    print("  %4d samples %8.1f ms   experiment holds %6.1f MiB   peak rose %6.1f MiB above it while saving (target: a few MiB)" % (n, ms, held, rise))
PY
