"""numpy layer: one Python function per operation, dispatching to the export by the naming grammar.

ruxi<Op>[_<Modifier>...]_<types>_<layout><flags> becomes ruxip.<op>[_<modifier>...] in snake case
(ruxiFilterMedian_8u_C3R -> filter_median, ruxiThreshold_GTVal_16s_C1IR -> threshold_gt_val).
A call picks the export whose image operands have the arrays' dtypes and channel counts, whose
flags match the keywords (inplace=True: I, mask=: M, channel=: C, keep_alpha=True: AC4, scale=:
Sfs), binds the remaining C arguments from the positional values after the images and from
keywords (C or snake-case names), and allocates destinations, result cells and work buffers.
The family descriptions give what a prototype cannot: the border a neighbourhood call reads
(the source is padded, border='edge' by default, or border=None when the array already holds
it), array lengths and destination regions.
"""
import ctypes
import re
import warnings

import numpy as np

from . import _lowlevel as ll
from ._contracts import Contracts, evaluate

_TYPE_RE = re.compile(r'^(?:16sc|16uc|32sc|32fc|8u|8s|16u|16s|32u|32s|32f|64s|64f|24u|1u)+$')
_LAYOUT_RE = re.compile(r'^(?P<lay>(?:AC4|AP4|AC1|C3A0C4|C[1-4]|P[2-4])+?)(?P<flags>[IMC]*)(?P<r>R?)(?P<tail>Sfs|s)?$')
_LAYOUT_PART = re.compile(r'AC4|AP4|AC1|C3A0C4|C[1-4]|P[2-4]')

DTYPES = {
    'Rux8u': np.dtype(np.uint8), 'Rux8s': np.dtype(np.int8), 'Rux16u': np.dtype(np.uint16),
    'Rux16s': np.dtype(np.int16), 'Rux32u': np.dtype(np.uint32), 'Rux32s': np.dtype(np.int32),
    'Rux64s': np.dtype(np.int64), 'Rux32f': np.dtype(np.float32), 'Rux64f': np.dtype(np.float64),
    'Rux32fc': np.dtype(np.complex64), 'int': np.dtype(np.intc), 'unsigned int': np.dtype(np.uintc),
    'Rux16sc': np.dtype([('re', np.int16), ('im', np.int16)]),
    'Rux16uc': np.dtype([('re', np.uint16), ('im', np.uint16)]),
    'Rux32sc': np.dtype([('re', np.int32), ('im', np.int32)]),
}
_STRUCT_ARGS = {'RuxImageSize': ('width', 'height'), 'RuxImagePoint': ('x', 'y'),
                'RuxImageRect': ('x', 'y', 'width', 'height')}
_SCRATCH = {'pBuffer', 'pMemInit', 'pInitBuf'}
# Parameters a call may leave out: the default used (anchors default to the mask centre).
DEFAULTS = {'scaleFactor': 0, 'hint': ll.CONSTANTS.get('ruxHintAccurate', 2),
            'roundMode': ll.CONSTANTS.get('ruxRoundNearestEven', 1)}

CONTRACTS = Contracts(ll.DATA_DIR)


class RuxError(RuntimeError):
    """A negative status: the call was rejected and wrote nothing."""

    def __init__(self, function, status):
        self.function, self.status = function, status
        self.status_name = ll.STATUS_NAMES.get(status, 'unknown status')
        super().__init__('%s returned %d (%s)' % (function, status, self.status_name))


class RuxWarning(UserWarning):
    """A positive status: the call did its work and reports something about it."""


def check(function, status):
    """Raises RuxError for a negative status, warns RuxWarning for a positive one."""
    if status < 0:
        raise RuxError(function, status)
    if status > 0:
        warnings.warn('%s returned %d (%s)' % (function, status, ll.STATUS_NAMES.get(status, 'warning')),
                      RuxWarning, stacklevel=3)
    return status


def snake(s):
    s = re.sub(r'([a-z0-9])([A-Z])', r'\1_\2', s)
    return re.sub(r'([A-Z]+)([A-Z][a-z])', r'\1_\2', s).lower()


def parse_name(name):
    """(python name, type tokens, layout parts, flags) of an export by the naming grammar."""
    parts = name[4:].split('_')
    types, layout, flags = [], None, ''
    if len(parts) >= 3 and _TYPE_RE.match(parts[-2]) and _LAYOUT_RE.match(parts[-1]):
        m = _LAYOUT_RE.match(parts[-1])
        layout = _LAYOUT_PART.findall(m.group('lay'))
        flags = m.group('flags') + m.group('r') + (m.group('tail') or '')
        types = re.findall(r'16sc|16uc|32sc|32fc|8u|8s|16u|16s|32u|32s|32f|64s|64f|24u|1u', parts[-2])
        parts = parts[:-2]
    elif len(parts) >= 2 and _TYPE_RE.match(parts[-1]):
        types = re.findall(r'16sc|16uc|32sc|32fc|8u|8s|16u|16s|32u|32s|32f|64s|64f|24u|1u', parts[-1])
        parts = parts[:-1]
    py = '_'.join(snake(p) for p in parts if p)
    if py in ('and', 'or', 'not', 'set', 'sum', 'min', 'max', 'abs', 'exp'):
        py += '_' if py in ('and', 'or', 'not') else ''
    return py, types, layout, flags


def _channels(part):
    if part is None:
        return None
    if part.startswith('P'):
        return -int(part[1])          # planar: n planes of one channel
    if part == 'C3A0C4':
        return 3
    return int(part[-1])


class _NoMatch(Exception):
    pass


def _image_like(v):
    return isinstance(v, np.ndarray) and v.ndim >= 2 or \
        isinstance(v, (list, tuple)) and len(v) > 0 and all(isinstance(p, np.ndarray) and p.ndim == 2 for p in v)


def _array_channels(a):
    return 1 if a.ndim == 2 else a.shape[2]


def _image_ok(a):
    """An array the library can address directly: native dtype, contiguous pixels, positive row step."""
    if not isinstance(a, np.ndarray) or a.ndim not in (2, 3) or not a.dtype.isnative or a.size == 0:
        return False
    it = a.itemsize
    if a.ndim == 3 and (a.strides[2] != it or a.strides[1] != it * a.shape[2]):
        return False
    if a.ndim == 2 and a.strides[1] != it:
        return False
    row = a.strides[1] * a.shape[1]
    return (a.shape[0] == 1 or row <= a.strides[0] < 2 ** 31) and row < 2 ** 31


def _direct(a):
    return a if _image_ok(a) else np.ascontiguousarray(a)


def _struct(base, value):
    t = ll.TYPES[base]
    if base in _STRUCT_ARGS:
        vals = tuple(int(v) for v in value)
        if len(vals) != len(_STRUCT_ARGS[base]):
            raise TypeError('%s needs %d values' % (base, len(_STRUCT_ARGS[base])))
        return t(*vals)
    if base in ('Rux16sc', 'Rux16uc', 'Rux32sc', 'Rux32fc'):
        c = complex(value)
        return t(c.real, c.imag) if base == 'Rux32fc' else t(int(c.real), int(c.imag))
    return t(value)


class _Call:
    """Binding of one export to the arrays and values of a Python call."""

    def __init__(self, name, images, params, kw):
        self.name = name
        self.proto = ll.PROTOTYPES[name]
        self.keys = CONTRACTS.keys(name)
        _, self.types, self.layout, self.flags = parse_name(name)
        self.kw = kw
        self._classify()
        self._match_flags()
        self._bind_images(images)
        self._bind_params(params)

    # -- which argument is what ---------------------------------------------------------
    def _classify(self):
        args = self.proto.args
        names = [a.name for a in args]
        self.roles = [None] * len(args)
        step_of = {}
        for i, a in enumerate(args):
            if a.stars and i + 1 < len(args) and args[i + 1].stars == 0 and args[i + 1].base == 'int' \
                    and args[i + 1].name.lower().endswith('step'):
                step_of[i] = i + 1
            elif a.stars and ('stepof.' + a.name) in self.keys and self.keys['stepof.' + a.name] in names:
                step_of[i] = names.index(self.keys['stepof.' + a.name])
        self.operands = []
        for i, a in enumerate(args):
            if self.roles[i] is not None:
                continue
            if i in step_of:
                kind = 'mask' if a.name == 'pMask' else 'inout' if 'SrcDst' in a.name else \
                    'src' if a.const else 'dst'
                self.roles[i] = ('image', len(self.operands))
                self.roles[step_of[i]] = ('step', len(self.operands))
                self.operands.append({'arg': i, 'step': step_of[i], 'kind': kind, 'a': a})
        part = self.layout or [None]
        for op in self.operands:
            a = op['a']
            lay = part[-1] if op['kind'] == 'dst' else part[0]
            ch = _channels(lay)
            if lay == 'C3A0C4' and op['kind'] == 'dst':
                ch = 4
            if a.ptr_array:
                ch = -(a.length or int(self.keys.get('count.' + a.name, 1)))
            if 'chan.' + a.name in self.keys:
                ch = int(self.keys['chan.' + a.name])
            if op['kind'] == 'mask':
                ch = 1
            op['channels'] = ch
            op['dtype'] = DTYPES.get(a.base)
            op['ac4'] = lay == 'AC4'
        self.region_arg = None
        self.params = []
        for i, a in enumerate(args):
            if self.roles[i] is not None:
                continue
            if a.stars == 0 and a.base == 'RuxImageSize' and 'extent.' + a.name not in self.keys \
                    and a.name not in ('maskSize', 'kernelSize'):
                self.roles[i] = ('size',)
            elif a.stars == 0 and a.base == 'RuxImageRect':
                self.roles[i] = ('rect',)
            elif a.name == 'scaleFactor' and 'Sfs' in self.flags:
                self.roles[i] = ('scale',)
            elif a.stars and not a.const and a.name in _SCRATCH:
                self.roles[i] = ('scratch',)
            elif a.stars and ll.TYPES.get(a.base, 0) is None:
                self.roles[i] = ('param',)     # a state object the caller made
                self.params.append(i)
            elif a.stars and not a.const:
                self.roles[i] = ('result',)
            else:
                self.roles[i] = ('param',)
                self.params.append(i)

    def _match_flags(self):
        kw = self.kw
        if ('I' in self.flags) != bool(kw.get('inplace')):
            raise _NoMatch('in place' if 'I' in self.flags else 'not in place')
        if ('M' in self.flags) != (kw.get('mask') is not None):
            raise _NoMatch('masked' if 'M' in self.flags else 'not masked')
        if ('C' in self.flags) != (kw.get('channel') is not None):
            raise _NoMatch('channel of interest' if 'C' in self.flags else 'all channels')
        has_ac4 = any(op['ac4'] for op in self.operands)
        if has_ac4 != bool(kw.get('keep_alpha')):
            raise _NoMatch('AC4 layout' if has_ac4 else 'alpha processed')
        if kw.get('scale') is not None and 'Sfs' not in self.flags:
            raise _NoMatch('no scale factor')

    # -- images ---------------------------------------------------------------------------
    def _bind_images(self, images):
        ins = [op for op in self.operands if op['kind'] in ('src', 'inout')]
        # The first image-like positional values are the source images; the others are parameters.
        picked = [i for i, v in enumerate(images) if _image_like(v)][:len(ins)]
        if len(picked) < len(ins):
            raise _NoMatch('%d source images' % len(ins))
        self.extra = [v for i, v in enumerate(images) if i not in picked]
        for op, img in zip(ins, [images[i] for i in picked]):
            self._check_image(op, img)
            op['user'] = img
        for op in self.operands:
            if op['kind'] == 'mask':
                op['user'] = np.asarray(self.kw['mask'])
                self._check_image(op, op['user'])
        outs = [op for op in self.operands if op['kind'] == 'dst']
        out = self.kw.get('out')
        out = [] if out is None else list(out) if isinstance(out, (tuple, list)) and len(outs) > 1 else [out]
        for op, o in zip(outs, out):
            self._check_image(op, o)
            op['user'] = o
        dtype = self.kw.get('dtype')
        for op in outs:
            if dtype is not None and op['dtype'] != np.dtype(dtype):
                raise _NoMatch('destination %s' % op['dtype'])

    def _check_image(self, op, img):
        ch = op['channels']
        if ch is not None and ch < 0:
            planes = list(img) if isinstance(img, (list, tuple)) or (isinstance(img, np.ndarray) and img.ndim == 3) \
                else None
            if planes is None or len(planes) != -ch:
                raise _NoMatch('%d planes' % -ch)
            for p in planes:
                p = np.asarray(p)
                if p.ndim != 2 or p.dtype != op['dtype']:
                    raise _NoMatch('planes of %s' % op['dtype'])
            return
        if not isinstance(img, np.ndarray) or img.ndim not in (2, 3):
            raise _NoMatch('a 2-D or 3-D array')
        if img.dtype != op['dtype']:
            raise _NoMatch('%s images' % op['dtype'])
        if ch is not None and _array_channels(img) != ch:
            raise _NoMatch('%d channel(s)' % ch)

    # -- values -----------------------------------------------------------------------------
    def _bind_params(self, params):
        args = self.proto.args
        given = {}
        params = self.extra + list(params)
        if len(params) > len(self.params):
            raise _NoMatch('at most %d parameters' % len(self.params))
        for i, v in zip(self.params, params):
            given[i] = v
        for i in self.params:
            for key in (args[i].name, snake(args[i].name)):
                if key in self.kw['params']:
                    if i in given:
                        raise TypeError('%s given twice' % args[i].name)
                    given[i] = self.kw['params'][key]
        unknown = set(self.kw['params']) - {k for i in self.params for k in (args[i].name, snake(args[i].name))} \
            - {k for i, r in enumerate(self.roles) if r == ('result',) for k in (args[i].name, snake(args[i].name))}
        if unknown:
            raise _NoMatch('no parameter %s' % ', '.join(sorted(unknown)))
        self.given = given
        # Sizes and lengths that a value array implies (a 2-D kernel gives its kernel size).
        byname = {a.name: i for i, a in enumerate(args)}
        for i, v in list(given.items()):
            expr = self.keys.get('len.' + args[i].name, '')
            m = re.fullmatch(r'(\w+)\.width\*\1\.height', expr)
            if m and byname.get(m.group(1)) is not None and byname[m.group(1)] not in given:
                arr = np.asarray(v)
                if arr.ndim == 2:
                    given[byname[m.group(1)]] = (arr.shape[1], arr.shape[0])
            elif re.fullmatch(r'\w+', expr) and byname.get(expr) is not None and byname[expr] not in given:
                given[byname[expr]] = np.asarray(v).size
        for i in self.params:
            a = args[i]
            if i in given:
                continue
            if a.name in DEFAULTS:
                given[i] = DEFAULTS[a.name]
            elif a.name in ('anchor', 'xAnchor', 'yAnchor'):
                given[i] = self._centre(a, given)
        missing = [args[i].name for i in self.params if i not in given]
        if missing:
            raise _NoMatch('the parameters %s' % ', '.join(missing))

    def _centre(self, a, given):
        for i, b in enumerate(self.proto.args):
            if b.name in ('maskSize', 'kernelSize') and i in given:
                v = given[i]
                if a.base == 'RuxImagePoint':
                    return (int(v[0]) // 2, int(v[1]) // 2)
                return int(v if np.ndim(v) == 0 else v[0 if a.name == 'xAnchor' else 1]) // 2
        raise _NoMatch('the parameter %s' % a.name)

    def _names(self, width, height, channel=0):
        """Names of the description expressions: the region, the thread count and the parameters."""
        names = {'width': width, 'height': height, 'threads': ll.get_num_threads()}
        for i, v in self.given.items():
            a = self.proto.args[i]
            try:
                if a.base in _STRUCT_ARGS and np.ndim(v) == 1:
                    for f, x in zip(_STRUCT_ARGS[a.base], v):
                        names[a.name + '.' + f] = int(x)
                elif np.ndim(v) == 0:
                    names[a.name] = int(v)
                elif np.ndim(v) == 1 and not a.ptr_array:
                    arr = np.asarray(v).ravel()
                    names[a.name] = int(arr[min(channel, arr.size - 1)])
            except (TypeError, ValueError):
                pass
        for i, r in enumerate(self.roles):
            if r == ('size',) and i in self.sizes:
                names[self.proto.args[i].name + '.width'], names[self.proto.args[i].name + '.height'] = self.sizes[i]
        return names

    # -- the call -------------------------------------------------------------------------
    def run(self):
        args = self.proto.args
        kw = self.kw
        c = [None] * len(args)
        keep = []
        srcs = [op for op in self.operands if 'user' in op and op['kind'] in ('src', 'inout')]
        first = srcs[0] if srcs else None
        self.sizes = {}
        # Region: the first source minus what the call reads around it.
        pad = {}
        border = kw.get('border', 'edge')
        names0 = self._names(0, 0)
        for op in srcs:
            expr = self.keys.get('border.' + op['a'].name)
            if expr:
                try:
                    vals = [max(0, evaluate(e, names0)) for e in expr.split(':')]
                except KeyError:
                    vals = [0, 0, 0, 0]
                pad[id(op)] = vals
        if first is not None:
            fu = first['user']
            h, w = (np.asarray(fu[0]).shape[:2] if first['channels'] is not None and first['channels'] < 0
                    and isinstance(fu, (list, tuple)) else
                    fu.shape[1:3] if first['channels'] is not None and first['channels'] < 0 else fu.shape[:2])
            if border is None and id(first) in pad:
                L, R, T, B = pad[id(first)]
                w, h = w - L - R, h - T - B
                if w < 1 or h < 1:
                    raise ValueError('%s: the source is smaller than the border it reads' % self.name)
        else:
            o = next((op['user'] for op in self.operands if 'user' in op), None)
            size = kw.get('size')
            if o is not None:
                h, w = (o.shape[1:3] if isinstance(o, np.ndarray) and self.operands[0]['channels'] is not None
                        and self.operands[0]['channels'] < 0 else np.asarray(o).shape[:2])
            elif size is not None:
                w, h = size
            else:
                raise TypeError('%s: give out= or size=(width, height)' % self.name)
        region = (int(w), int(h))
        # Region sizes: named after an operand (srcRoiSize, tplRoiSize, src1Size) or the common one.
        for i, r in enumerate(self.roles):
            if r != ('size',):
                continue
            stem = args[i].name.replace('RoiSize', '').replace('Size', '').replace('Roi', '')
            op = next((o for o in self.operands if 'user' in o and o['kind'] != 'dst'
                       and o['a'].name.lower() == 'p' + stem.lower()), None)
            if op is not None and op is not first:
                u = op['user']
                L, R, T, B = pad.get(id(op), (0, 0, 0, 0)) if border is None else (0, 0, 0, 0)
                self.sizes[i] = (u.shape[1] - L - R, u.shape[0] - T - B)
            elif stem.lower() == 'dst' and 'dst_size' in kw:
                self.sizes[i] = tuple(kw['dst_size'])
            else:
                self.sizes[i] = region
        names = self._names(*region)
        for op in self.operands:
            a = op['a']
            if op['kind'] == 'dst':
                W, H = region
                if 'region.' + a.name in self.keys:
                    W, H = (evaluate(e, names) for e in self.keys['region.' + a.name].split(':'))
                elif self.keys.get('dims.' + a.name) == 'swap':
                    W, H = H, W
                elif 'times.' + a.name in self.keys:
                    W, H = W * int(self.keys['times.' + a.name]), H * int(self.keys['times.' + a.name])
                elif 'dst_size' in kw:
                    W, H = kw['dst_size']
                if W < 1 or H < 1:
                    raise ValueError('%s: empty destination (%d x %d)' % (self.name, W, H))
                ch = op['channels']
                shape = (-ch, H, W) if ch is not None and ch < 0 else (H, W) if ch in (1, None) else (H, W, ch)
                user = op.get('user')
                if user is not None:
                    if np.shape(user) != shape:
                        raise ValueError('%s: out has shape %s, needs %s' % (self.name, np.shape(user), shape))
                    arr = _direct(user) if ch is None or ch > 0 else np.ascontiguousarray(user)
                    if arr is not user:
                        arr[...] = user
                else:
                    arr = np.zeros(shape, op['dtype'])
                    if op['ac4'] and first is not None and np.shape(first['user']) == shape \
                            and first['user'].dtype == arr.dtype:
                        arr[..., 3] = first['user'][..., 3]
                op['buf'] = arr
            else:
                user = op['user']
                ch = op['channels']
                if ch is not None and ch < 0:
                    planes = [np.asarray(p) for p in user]
                    if len({p.strides[0] for p in planes}) > 1 or not all(_image_ok(p) for p in planes):
                        planes = list(np.ascontiguousarray(np.stack(planes)))
                    op['planes'] = planes
                    op['buf'] = planes[0]
                    continue
                L, R, T, B = pad.get(id(op), (0, 0, 0, 0))
                if border is not None and (L or R or T or B):
                    widths = ((T, B), (L, R)) + (((0, 0),) if user.ndim == 3 else ())
                    mode = border
                    extra = {}
                    if isinstance(border, (int, float)):
                        mode, extra = 'constant', {'constant_values': border}
                    op['buf'] = np.pad(user, widths, mode=mode, **extra)
                    op['off'] = (T, L)
                else:
                    op['buf'] = _direct(user) if (op['kind'] != 'inout' or _image_ok(user)) else user.copy()
                    if border is None:
                        op['off'] = (T, L)
        # Pointers and steps.
        chan = kw.get('channel')
        for op in self.operands:
            a = op['a']
            if 'planes' in op or (op['kind'] == 'dst' and op['channels'] is not None and op['channels'] < 0):
                planes = op.get('planes') or list(op['buf'])
                t = (ctypes.c_void_p * len(planes))(*[p.ctypes.data for p in planes])
                keep.append(t)
                c[op['arg']] = ctypes.cast(t, ctypes.c_void_p)
                c[op['step']] = planes[0].strides[0]
                continue
            buf = op['buf']
            T, L = op.get('off', (0, 0))
            px = buf.itemsize * (1 if buf.ndim == 2 else buf.shape[2])
            addr = buf.ctypes.data + T * buf.strides[0] + L * px
            if chan is not None and op['kind'] != 'mask':
                if not 0 <= int(chan) < _array_channels(buf):
                    raise ValueError('channel %d of a %d-channel image' % (chan, _array_channels(buf)))
                addr += int(chan) * buf.itemsize
            c[op['arg']] = addr
            c[op['step']] = buf.strides[0] if buf.shape[0] > 1 else px * buf.shape[1]
        # Everything else.
        results = []
        for i, a in enumerate(args):
            role = self.roles[i]
            if role[0] in ('image', 'step'):
                continue
            if role == ('size',):
                c[i] = ll.TYPES['RuxImageSize'](*self.sizes[i])
            elif role == ('rect',):
                if a.name.startswith('dst'):
                    d = next(op['buf'] for op in self.operands if op['kind'] in ('dst', 'inout'))
                    c[i] = ll.TYPES['RuxImageRect'](0, 0, d.shape[1], d.shape[0])
                else:
                    c[i] = ll.TYPES['RuxImageRect'](0, 0, *region)
            elif role == ('scale',):
                c[i] = int(kw.get('scale') or 0)
            elif role == ('scratch',):
                expr = self.keys.get('len.' + a.name)
                if expr is None:
                    c[i] = None
                    continue
                buf = np.zeros(max(1, evaluate(expr, names)) * DTYPES.get(a.base, np.dtype(np.uint8)).itemsize + 64,
                               np.uint8)
                keep.append(buf)
                c[i] = buf.ctypes.data
            elif role == ('result',):
                c[i] = self._result(i, a, names, results, keep)
            else:
                c[i] = self._value(a, self.given[i], names, keep)
        fn = getattr(ll.lib, self.name)
        status = fn(*c)
        check(self.name, status)
        outs = []
        for op in self.operands:
            if op['kind'] == 'dst':
                user = op.get('user')
                if user is not None and op['buf'] is not user:
                    for u, b in (zip(user, op['buf']) if isinstance(user, (list, tuple)) else [(user, op['buf'])]):
                        u[...] = b
                    outs.append(user)
                else:
                    outs.append(op['buf'])
            elif op['kind'] == 'inout':
                buf, user = op['buf'], op['user']
                if buf is not user:
                    T, L = op.get('off', (0, 0))
                    view = buf[T:T + region[1], L:L + region[0]]
                    if border is None:
                        user[T:T + region[1], L:L + region[0]] = view
                    else:
                        user[...] = view
                outs.append(user)
        outs += [r() for r in results]
        return outs[0] if len(outs) == 1 else tuple(outs) if outs else None

    def _result(self, i, a, names, results, keep):
        count = a.length or 0
        if a.ptr_array:
            arrays = []
            for k in range(count):
                n = evaluate(self.keys['len.' + a.name], self._names(names['width'], names['height'], k)) \
                    if 'len.' + a.name in self.keys else 1
                arrays.append(np.zeros(max(n, 1), DTYPES[a.base]))
            t = (ctypes.c_void_p * count)(*[x.ctypes.data for x in arrays])
            keep.append(t)
            results.append(lambda: arrays)
            return ctypes.cast(t, ctypes.c_void_p)
        if a.base in _STRUCT_ARGS:
            n = max(1, count)
            cell = (ll.TYPES[a.base] * n)()
            keep.append(cell)
            fields = _STRUCT_ARGS[a.base]
            results.append(lambda: [tuple(getattr(x, f) for f in fields) for x in cell][0] if n == 1 else
                           [tuple(getattr(x, f) for f in fields) for x in cell])
            return ctypes.cast(cell, ctypes.c_void_p)
        n = count or (evaluate(self.keys['len.' + a.name], names) if 'len.' + a.name in self.keys else 1)
        dt = DTYPES.get(a.base, np.dtype(np.uint8))
        cell = np.zeros(max(n, 1), dt)
        init = self.kw['params'].get(a.name, self.kw['params'].get(snake(a.name)))
        if init is not None:
            cell[...] = np.asarray(init, dt).ravel() if np.ndim(init) else init
        keep.append(cell)
        scalar = not count and 'len.' + a.name not in self.keys
        results.append(lambda: cell[0].item() if scalar else cell)
        return cell.ctypes.data

    def _value(self, a, v, names, keep):
        if a.stars == 0:
            if a.base in _STRUCT_ARGS or a.base in ('Rux16sc', 'Rux16uc', 'Rux32sc', 'Rux32fc'):
                return _struct(a.base, v)
            t = ll.TYPES.get(a.base)
            return float(v) if t in (ctypes.c_float, ctypes.c_double) else int(v)
        if ll.TYPES.get(a.base, 0) is None:   # state object: ctypes pointer, int address or a wrapper
            return getattr(v, 'ptr', v)
        dt = DTYPES.get(a.base)
        if a.ptr_array:
            n = a.length or 1
            items = list(v) if isinstance(v, (list, tuple)) else [v] * n
            if len(items) != n:
                raise ValueError('%s: %s needs %d arrays' % (self.name, a.name, n))
            arrays = [np.ascontiguousarray(np.asarray(x, dt).ravel()) for x in items]
            t = (ctypes.c_void_p * n)(*[x.ctypes.data for x in arrays])
            keep += [arrays, t]
            return ctypes.cast(t, ctypes.c_void_p)
        if dt is None:
            raise TypeError('%s: cannot pass %s' % (self.name, a.ctype))
        arr = np.asarray(v, dt)
        n = a.length
        if n and arr.ndim == 0:
            arr = np.full(n, arr, dt)
        arr = np.ascontiguousarray(arr.ravel())
        if n and arr.size < n:
            raise ValueError('%s: %s needs %d values' % (self.name, a.name, n))
        keep.append(arr)
        return arr.ctypes.data


class Operation:
    """A Python function over every export of one operation name."""

    def __init__(self, pyname, exports):
        self.__name__ = pyname
        self.exports = exports
        self._cache = {}
        lines = ['ruxip.%s: dispatches to one of' % pyname]
        for e in exports:
            lines.append('  ' + repr(ll.PROTOTYPES[e]))
        self.__doc__ = '\n'.join(lines)

    def _key(self, args, kw):
        def sig(x):
            if isinstance(x, np.ndarray):
                return ('a', x.dtype.str, x.ndim, x.shape[-1] if x.ndim == 3 else 1)
            if isinstance(x, (list, tuple)) and x and isinstance(x[0], np.ndarray):
                return ('p', len(x), x[0].dtype.str)
            return ('v', np.ndim(x))
        return (tuple(sig(a) for a in args), tuple(sorted((k, sig(v)) for k, v in kw.items())))

    def __call__(self, *args, inplace=False, mask=None, channel=None, keep_alpha=False, scale=None, out=None,
                 dtype=None, border='edge', size=None, dst_size=None, **params):
        kw = {'inplace': inplace, 'mask': mask, 'channel': channel, 'keep_alpha': keep_alpha, 'scale': scale,
              'out': out, 'dtype': dtype, 'border': border, 'params': params}
        if size is not None:
            kw['size'] = size
        if dst_size is not None:
            kw['dst_size'] = dst_size
        images = list(args)
        key = self._key(args, {k: v for k, v in kw.items() if k != 'params'} | params)
        cached = self._cache.get(key)
        if cached is not None:
            try:
                call = _Call(cached, images, [], kw)
            except _NoMatch:
                pass
            else:
                return call.run()
        found, reasons = [], []
        for e in self.exports:
            try:
                call = _Call(e, images, [], kw)
            except _NoMatch as exc:
                reasons.append('%s: needs %s' % (e, exc))
                continue
            src = [op['dtype'] for op in call.operands if op['kind'] in ('src', 'inout')]
            dst = [op['dtype'] for op in call.operands if op['kind'] == 'dst']
            score = (0 if not dst or not src or dst[0] == src[0] else 1,
                     0 if (scale is not None) == ('Sfs' in call.flags) else 1)
            found.append((score, len(found), call))
        if not found:
            desc = ', '.join('%s%s' % (a.dtype, a.shape) if isinstance(a, np.ndarray) else type(a).__name__
                             for a in args)
            raise TypeError('ruxip.%s(%s): no export fits:\n  %s' % (self.__name__, desc, '\n  '.join(reasons)))
        call = min(found, key=lambda f: (f[0], f[1]))[2]
        self._cache[key] = call.name
        return call.run()


def operations():
    """Python name -> export names of every prototype of the header, in header order."""
    groups = {}
    for name in ll.PROTOTYPES:
        groups.setdefault(parse_name(name)[0], []).append(name)
    return groups
