"""The family descriptions of catalog/contracts and the catalog, as the numpy layer needs them.

A description line applies keys to the exports matching a glob (or a whole catalog family);
later lines win. The numpy layer reads the border a call reads around its source (border.ARG),
array lengths (len.ARG), destination regions (region.ARG, dims.ARG, times.ARG), channel counts
(chan.ARG) and the step that belongs to a pointer (stepof.ARG). Expressions are evaluated here.
"""
import fnmatch
import glob
import os
import re

_TOKEN = re.compile(r'\s*(?:(\d+)|([A-Za-z_]\w*(?:\.\w+)?)|(.))')


def evaluate(expr, names):
    """Integer value of a description expression: literals, + - * / (truncating) ^ (power), unary
    minus and parentheses over names (KeyError for a name that is not given)."""
    toks = [(m.group(1), m.group(2), m.group(3)) for m in _TOKEN.finditer(expr) if m.group(0).strip()]
    pos = [0]

    def peek():
        return toks[pos[0]] if pos[0] < len(toks) else (None, None, None)

    def take():
        pos[0] += 1
        return toks[pos[0] - 1]

    def atom():
        num, name, op = take()
        if num is not None:
            return int(num)
        if name is not None:
            return int(names[name])
        if op == '-':
            return -power()
        if op == '(':
            v = add()
            take()
            return v
        raise ValueError('bad expression: %s' % expr)

    def power():
        v = atom()
        if peek()[2] == '^':
            take()
            return v ** power()
        return v

    def mul():
        v = power()
        while peek()[2] in ('*', '/'):
            op = take()[2]
            r = power()
            if op == '*':
                v *= r
            else:
                q = abs(v) // abs(r)
                v = q if (v >= 0) == (r >= 0) else -q
        return v

    def add():
        v = mul()
        while peek()[2] in ('+', '-'):
            op = take()[2]
            v = v + mul() if op == '+' else v - mul()
        return v

    return add()


class Contracts:
    def __init__(self, data_dir):
        self.family_of = {}
        path = os.path.join(data_dir, 'ruxi_exports.tsv')
        if os.path.exists(path):
            with open(path) as f:
                for line in f.read().splitlines()[1:]:
                    parts = line.split('\t')
                    if len(parts) >= 2:
                        self.family_of[parts[0]] = parts[1]
        self.rules = []   # (is_family, pattern, {key: value})
        for path in sorted(glob.glob(os.path.join(data_dir, 'contracts', '*.contract'))):
            with open(path) as f:
                for line in f:
                    line = line.split('#', 1)[0].split()
                    if not line:
                        continue
                    if line[0] == 'family' and len(line) > 1:
                        self.rules.append((True, line[1], self._keys(line[2:])))
                    else:
                        self.rules.append((False, line[0], self._keys(line[1:])))
        self._cache = {}

    @staticmethod
    def _keys(items):
        keys = {}
        for item in items:
            k, _, v = item.partition('=')
            if k.endswith('!'):
                continue
            keys[k] = v
        return keys

    def keys(self, name):
        """Every key that applies to the export, later lines winning."""
        if name not in self._cache:
            fam = self.family_of.get(name)
            out = {}
            for is_family, pattern, keys in self.rules:
                if (fam == pattern) if is_family else fnmatch.fnmatchcase(name, pattern):
                    out.update(keys)
            self._cache[name] = out
        return self._cache[name]
