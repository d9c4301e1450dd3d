#!/usr/bin/env python3
# Counts the wineserver requests of the bench's processes in a request trace: a persistent
# wineserver started as `wineserver -f -d1 -p 2> TRACE` in the bench's prefix before kprt5_bench.exe
# runs. Prints each KPRT5 and baseline process's requests by name, then the requests of the last
# KPRT5 (and of the bare dialog) during the life of each baseline: the notification burst
# (bare_receiver) and the idle window (bare_timers). Two runs that differ only in --notifications
# and --idle-seconds give, by difference, the requests of one notification and of one idle second.
#   bench/count_requests.py TRACE [image names...]
import re, sys, collections
path = sys.argv[1]
tid_pid = {}; upid_pid = {}; pending_first = {}; pending_thread = {}
procs = []  # (pid, image)
pending_new = {}
counts = collections.defaultdict(collections.Counter)
req = re.compile(r'^([0-9a-f]{4}): ([a-z_]+)\( ')
for line in open(path, errors='replace'):
    m = req.match(line)
    if m:
        tid, name = m.groups()
        if name == 'new_process':
            im = re.search(r'(\w+\.exe)', line)
            pending_new[tid] = im.group(1) if im else '?'
        elif name == 'init_first_thread':
            pending_first[tid] = re.search(r'unix_pid=(\d+)', line).group(1)
        elif name == 'new_thread':
            pending_thread[tid] = 'process=ffffffff' in line
        counts[tid_pid.get(tid, '?' + tid)][name] += 1
        continue
    m = re.match(r'^([0-9a-f]{4}): new_process\(\) = 0 \{ info=\w+, pid=(\w+)', line)
    if m:
        procs.append((m.group(2), pending_new.pop(m.group(1), '?'))); continue
    m = re.match(r'^([0-9a-f]{4}): new_thread\(\) = 0 \{ tid=(\w+)', line)
    if m:
        if pending_thread.pop(m.group(1), False) and m.group(1) in tid_pid: tid_pid[m.group(2)] = tid_pid[m.group(1)]
        continue
    m = re.match(r'^([0-9a-f]{4}): init_first_thread\(\) = 0 \{ pid=(\w+), tid=(\w+)', line)
    if m:
        tid_pid[m.group(3)] = m.group(2); upid_pid[pending_first.pop(m.group(1), '')] = m.group(2)
names = dict(procs)
want = sys.argv[2:] or ['KPRT5.exe', 'bare_receiver.exe', 'bare_timers.exe']
for pid, image in procs:
    if image in want:
        c = counts[pid]
        print(pid, image, sum(c.values()), ' '.join(f'{k}={v}' for k, v in c.most_common(14)))

# Requests of the last KPRT5 inside the lifetime of each baseline process.
def windows():
    lines = open(path, errors='replace').read().splitlines()
    rng = {}
    for i, line in enumerate(lines):
        m = req.match(line)
        if not m: continue
        p = tid_pid.get(m.group(1))
        if p: rng.setdefault(p, [i, i])[1] = i
    kp = [pid for pid, im in procs if im == 'KPRT5.exe'][-1]
    for pid, image in procs:
        if image not in ('bare_receiver.exe', 'bare_timers.exe'): continue
        lo, hi = rng[pid]
        c = collections.Counter(); b = collections.Counter(); d = collections.Counter()
        dp = [q for q, im in procs if im == 'bare_dialog_timers.exe']
        for line in lines[lo:hi + 1]:
            m = req.match(line)
            if not m: continue
            p = tid_pid.get(m.group(1))
            if p == kp: c[m.group(2)] += 1
            elif p == pid: b[m.group(2)] += 1
            elif p in dp: d[m.group(2)] += 1
        if image == 'bare_timers.exe': print('window', image, 'dialog', sum(d.values()), dict(d.most_common(12)))
        print('window', image, 'KPRT5', sum(c.values()), dict(c.most_common(20)))
        print('window', image, 'bare ', sum(b.values()), dict(b.most_common(20)))
windows()
