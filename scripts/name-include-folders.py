#!/usr/bin/env python3
"""Rewrites the tree's quoted #include lines to name their folder: client
headers below client/, the others below the repository's root (the rule in
docs/building.md). Run from anywhere in the repository, then clang-format the
changed files. Prints the includes it could not resolve to one header."""
import os, re, subprocess, sys
root = subprocess.check_output(['git', 'rev-parse', '--show-toplevel'], text=True).strip()
os.chdir(root)
files = subprocess.check_output(['git', 'ls-files', '*.cpp', '*.h', '*.hpp', '*.c', '*.cc'], text=True).split()
headers = [f for f in files if f.endswith(('.h', '.hpp'))]
by_base = {}
for h in headers:
    by_base.setdefault(os.path.basename(h), []).append(h)
scope = sys.argv[1:] or None  # optional: only headers below these folders

def spelling(h):
    return h[len('client/'):] if h.startswith('client/') else h

inc = re.compile(r'^(\s*#\s*include\s+)"([^"]+)"(.*)$')
unresolved = set()
changed = 0
for f in files:
    lines = open(f, encoding='utf-8').read().split('\n')
    out = []
    dirty = False
    for line in lines:
        m = inc.match(line)
        if m:
            name = m.group(2)
            cands = [h for h in by_base.get(os.path.basename(name), []) if h.endswith('/' + name) or h == name]
            local = os.path.normpath(os.path.join(os.path.dirname(f), name))
            if local in headers:
                cands = [local]
            if len(cands) == 1 and (scope is None or any(cands[0].startswith(s) for s in scope)):
                new = spelling(cands[0])
                if new != name:
                    line = m.group(1) + '"' + new + '"' + m.group(3)
                    dirty = True
            elif len(cands) != 1:
                unresolved.add((name, len(cands)))
        out.append(line)
    if dirty:
        open(f, 'w', encoding='utf-8').write('\n'.join(out))
        changed += 1
print('files changed:', changed)
for u in sorted(unresolved):
    print('unresolved:', u)
