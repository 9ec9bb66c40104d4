#!/usr/bin/env python3
"""Generates the HTML API reference: an index and one page per catalog family.

Each page is built from the sources: the design comment at the top of the family's source
file(s), the group comments and prototypes of include/ruxi.h, the catalog, and the family's
contract description (validation order and statuses). Names without a prototype yet are listed
as catalogued. With --check, fails unless every prototype of the header appears on a page.
Usage: gen_reference.py OUT_DIR [--check]
"""
import collections
import glob
import html
import os
import re
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
PROTO = re.compile(r'^(?:[A-Za-z_][\w ]*[ *]+)(ruxi\w+)\((.*)\);')
LAYOUT = re.compile(r'^((?:AC4|AP4|AC1|C3A0C4|C[1-4]|P[2-4])+?)([IMC]*R?(?:Sfs|s)?)$')
TYPES = re.compile(r'^(?:16sc|16uc|32sc|32fc|8u|8s|16u|16s|32u|32s|32f|64s|64f|24u|1u)+$')


def read(path):
    with open(os.path.join(ROOT, path)) as f:
        return f.read()


def header():
    """name -> (prototype, group comment), in header order."""
    out, comment = collections.OrderedDict(), ''
    for line in read('include/ruxi.h').splitlines():
        c = re.match(r'\s*/\*\s*(.*?)\s*\*/\s*$', line)
        if c:
            comment = c.group(1)
        m = PROTO.match(line.strip())
        if m:
            out[m.group(1)] = (line.strip(), comment)
    return out


def statuses():
    text = read('include/ruxtypes.h')
    return {int(v): n for n, v in re.findall(r'(ruxStatus\w+)\s*=\s*(-?\d+)', text)}


def split_name(name):
    """(operation with modifiers, types, layout and flags) by the naming grammar."""
    parts = name[4:].split('_')
    if len(parts) >= 3 and TYPES.match(parts[-2]) and LAYOUT.match(parts[-1]):
        return '_'.join(parts[:-2]), parts[-2], parts[-1]
    if len(parts) >= 2 and TYPES.match(parts[-1]):
        return '_'.join(parts[:-1]), parts[-1], ''
    return '_'.join(parts), '', ''


def snake(s):
    s = re.sub(r'([a-z0-9])([A-Z])', r'\1_\2', s)
    return re.sub(r'([A-Z]+)([A-Z][a-z])', r'\1_\2', s).lower()


def top_comment(path):
    lines = []
    for line in read(path).splitlines():
        if not line.startswith('//'):
            break
        lines.append(line[3:] if line.startswith('// ') else line[2:])
    return '\n'.join(lines).strip()


def sources(family, folder, ops):
    """The family's source files: <folder>/<family>.cpp, else the folder's files whose design
    comment names the family's operations."""
    direct = os.path.join(folder, family + '.cpp')
    if os.path.exists(os.path.join(ROOT, direct)):
        return [direct]
    scored = []
    for path in sorted(glob.glob(os.path.join(ROOT, folder, '*.cpp'))):
        rel = os.path.relpath(path, ROOT)
        text = top_comment(rel)
        score = sum(1 for op in ops if re.search(r'\b%s\b' % re.escape(op), text))
        if score:
            scored.append((-score, rel))
    return [rel for _, rel in sorted(scored)]


def contract(family, names):
    """Comment blocks and lines of the family's description that apply to its exports."""
    path = os.path.join('catalog', 'contracts', family + '.contract')
    if not os.path.exists(os.path.join(ROOT, path)):
        return '', []
    text = read(path)
    comments = '\n'.join(l[2:] if l.startswith('# ') else l[1:] for l in text.splitlines() if l.startswith('#'))
    rules = [l for l in text.splitlines() if l.strip() and not l.startswith('#')]
    return comments, rules


PAGE = '''<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>%(title)s</title>
<style>body{font-family:sans-serif;max-width:70em;margin:1.5em auto;padding:0 1em;line-height:1.4}
pre{background:#f6f6f6;padding:0.8em;overflow-x:auto;font-size:0.85em}code{font-size:0.9em}
table{border-collapse:collapse}td,th{border:1px solid #ccc;padding:0.2em 0.5em;text-align:left;vertical-align:top}
li{margin:0.2em 0}</style></head><body>
%(body)s
</body></html>
'''


def page(title, body):
    return PAGE % {'title': html.escape(title), 'body': body}


def family_page(family, folder, names, protos, codes):
    e = html.escape
    ops = collections.OrderedDict()
    for n in names:
        op, types, lay = split_name(n)
        ops.setdefault(op, []).append((n, types, lay))
    files = sources(family, folder, [op.split('_')[0] for op in ops])
    body = ['<p><a href="index.html">ruxIP reference</a></p>', '<h1>%s</h1>' % e(family),
            '<p>Folder <code>%s/</code>; %d functions in the catalog, %d exported.</p>'
            % (e(folder), len(names), sum(n in protos for n in names))]
    for path in files:
        body.append('<h2>Design (<code>%s</code>)</h2><pre>%s</pre>' % (e(path), e(top_comment(path))))
    groups = collections.OrderedDict((protos[n][1], None) for n in names if n in protos and protos[n][1])
    if groups:
        body.append('<h2>Operations</h2><ul>%s</ul>' % ''.join('<li>%s</li>' % e(g) for g in groups))
    body.append('<h2>Types and layouts</h2><table><tr><th>operation</th><th>Python</th><th>types</th>'
                '<th>layouts and flags</th><th>in place</th></tr>')
    for op, members in ops.items():
        types = sorted({t for _, t, _ in members if t})
        lays = sorted({l for _, _, l in members if l})
        inplace = 'yes' if any('I' in LAYOUT.match(l).group(2) for l in lays if LAYOUT.match(l)) else ''
        py = '_'.join(snake(p) for p in op.split('_'))
        body.append('<tr><td>%s</td><td><code>ruxip.%s</code></td><td>%s</td><td>%s</td><td>%s</td></tr>'
                    % (e(op), e(py), e(' '.join(types)), e(' '.join(lays)), inplace))
    body.append('</table><p>Layouts: C1/C3/C4 interleaved channels, AC4 four channels with alpha kept, '
                'P3/P4 planes; flags: I in place (one source-destination image), M masked, C channel of '
                'interest, R region of interest, Sfs integer scale factor (result &times; 2<sup>&minus;s</sup>, '
                'rounded to nearest even, saturated).</p>')
    comments, rules = contract(family, names)
    found = set()
    for token in ' '.join(rules).split():
        key, _, value = token.partition('=')
        if key.endswith('!'):                       # ARG!=v:S,...: the status of each invalid value
            found |= {int(p.split(':')[1]) for p in value.split(',') if ':' in p}
        elif key.split('.')[0] in ('errors', 'ok', 'null', 'size', 'step', 'tolerate', 'zero', 'shortstep',
                                   'writes'):
            found |= {int(v) for v in value.split(',') if re.fullmatch(r'-?\d+', v)}
    found = [s for s in found if s in codes]
    found = sorted(set(found) | {-8, -6, 0})
    if comments or rules:
        body.append('<h2>Validation and statuses</h2><pre>%s</pre>' % e(comments))
        body.append('<p>Statuses named by the description: %s.</p>'
                    % ', '.join('<code>%s</code> (%d)' % (e(codes[s]), s) for s in found))
        body.append('<details><summary>Description lines</summary><pre>%s</pre></details>' % e('\n'.join(rules)))
    first = next((n for n in names if n in protos), None)
    if first:
        proto = protos[first][0]
        args = re.match(r'.*?\((.*)\);', proto).group(1)
        arg_names = [re.findall(r'\w+', a)[-1] for a in args.split(',') if a.strip() and a.strip() != 'void']
        op = split_name(first)[0]
        py = '_'.join(snake(p) for p in op.split('_'))
        srcs = [a for a in arg_names if re.match(r'p(Src|Tpl)\w*$', a) and not a.endswith('Step')]
        rest = [a for a in arg_names if not re.match(r'p(Src|Dst|Tpl|SrcDst|Buffer)\w*$|\w*(Step|RoiSize|Size)$|scaleFactor$', a)]
        body.append('<h2>Example</h2><pre>%s\n\nRuxResult status = %s(%s);\n\n# Python (numpy arrays; '
                    'destinations, result cells and buffers are allocated)\nresult = ruxip.%s(%s)</pre>'
                    % (e(proto), e(first), e(', '.join(arg_names)), e(py), e(', '.join(srcs + rest))))
    body.append('<h2>Functions</h2><ul>')
    for n in names:
        if n in protos:
            body.append('<li id="%s"><code>%s</code></li>' % (e(n), e(protos[n][0])))
        else:
            body.append('<li id="%s"><code>%s</code> (catalogued, not yet exported)</li>' % (e(n), e(n)))
    body.append('</ul>')
    return page('ruxIP: %s' % family, '\n'.join(body))


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    out, check = sys.argv[1], '--check' in sys.argv[2:]
    os.makedirs(out, exist_ok=True)
    protos, codes = header(), statuses()
    families = collections.OrderedDict()
    for line in read('catalog/ruxi_exports.tsv').splitlines()[1:]:
        name, family, folder = line.split('\t')[:3]
        families.setdefault((family, folder), []).append(name)
    listed = {n for names in families.values() for n in names}
    extra = [n for n in protos if n not in listed]
    if extra:
        families[('other', 'core')] = extra
    rows = []
    for (family, folder), names in sorted(families.items()):
        with open(os.path.join(out, '%s.html' % family), 'w') as f:
            f.write(family_page(family, folder, names, protos, codes))
        groups = collections.OrderedDict((protos[n][1], None) for n in names if n in protos and protos[n][1])
        summary = next(iter(groups), '')
        rows.append('<tr><td><a href="%s.html">%s</a></td><td>%s/</td><td>%d</td><td>%d</td><td>%s</td></tr>'
                    % (family, family, folder, sum(n in protos for n in names), len(names),
                       html.escape(summary[:160])))
    body = ('<h1>ruxIP reference</h1><p>%d functions exported of %d catalogued. Each family page gives the '
            'design notes of its source, the operations, types and layouts, the validation order and '
            'statuses, an example and every prototype. From Python: <code>ruxip.&lt;operation&gt;</code> '
            '(numpy) or <code>ruxip.lib.&lt;name&gt;</code> (ctypes).</p><table><tr><th>family</th><th>folder</th>'
            '<th>exported</th><th>catalogued</th><th>first operation</th></tr>%s</table>'
            % (len(protos), len(listed), '\n'.join(rows)))
    with open(os.path.join(out, 'index.html'), 'w') as f:
        f.write(page('ruxIP reference', body))
    if check:
        seen = set()
        for path in glob.glob(os.path.join(out, '*.html')):
            with open(path) as f:
                text = f.read()
            seen |= {m for m in re.findall(r'<li id="(ruxi\w+)"><code>[^<]*\(', text)}
        missing = [n for n in protos if n not in seen]
        if missing:
            sys.exit('reference: %d exported functions missing, e.g. %s' % (len(missing), ', '.join(missing[:5])))
        print('reference: %d exported functions on %d family pages in %s' % (len(protos), len(rows), out))


main()
