"""ruxIP image-processing primitives for Python.

Two layers, both built from the installed header (and the family descriptions) at import time:

- ruxip.lib.ruxiAdd_8u_C1RSfs(...): every exported function as a ctypes function (argument types
  from the prototypes; ruxip.core for the core services).
- ruxip.add(a, b, scale=1), ruxip.filter_median(img, (5, 5)), ruxip.convert(img, dtype=np.float32):
  numpy functions named after the operations in snake case, choosing the export from the arrays'
  dtypes and channel counts (2-D: one channel, 3-D: the last axis) and the keywords inplace=,
  mask=, channel=, keep_alpha= (AC4) and scale= (Sfs). Sizes are (width, height), points (x, y).
  Errors raise RuxError (with .status and .status_name), warnings come as RuxWarning.
  Neighbourhood operations pad their source (border='edge', any numpy.pad mode, a number for a
  constant border, or None when the array already holds the border).

ruxip.operations() maps each Python name to its exports; help(ruxip.<name>) lists the prototypes.
"""
import atexit
import ctypes

import numpy as np

from . import _lowlevel, _numpy
from ._lowlevel import CONSTANTS, PROTOTYPES, STATUS_NAMES, core, get_num_threads, lib, set_num_threads, version
from ._numpy import RuxError, RuxWarning, check, parse_name

globals().update({k: v for k, v in CONSTANTS.items()})

_GROUPS = _numpy.operations()
_OPS = {}


def operations():
    """Python name -> the exports it dispatches to."""
    return dict(_GROUPS)


def __getattr__(name):
    if name in _GROUPS:
        if name not in _OPS:
            _OPS[name] = _numpy.Operation(name, _GROUPS[name])
        return _OPS[name]
    raise AttributeError('module ruxip has no attribute %r' % name)


def __dir__():
    return sorted(set(globals()) | set(_GROUPS))


_TOKENS = {np.dtype(np.uint8): '8u', np.dtype(np.uint16): '16u', np.dtype(np.int16): '16s',
           np.dtype(np.int32): '32s', np.dtype(np.float32): '32f', np.dtype(np.float64): '64f',
           np.dtype(np.complex64): '32fc'}


def _layout(img, keep_alpha):
    ch = 1 if img.ndim == 2 else img.shape[2]
    return 'AC4' if keep_alpha and ch == 4 else 'C%d' % ch


def _export(pattern, img, keep_alpha=False):
    name = pattern % (_TOKENS.get(img.dtype, str(img.dtype)), _layout(img, keep_alpha))
    if name not in PROTOTYPES:
        raise TypeError('%s is not exported (dtype %s, shape %s)' % (name, img.dtype, img.shape))
    return getattr(lib, name), name


def resize_sqr_pixel(src, x_factor, y_factor=None, x_shift=0.0, y_shift=0.0, interpolation=None,
                     dst_size=None, keep_alpha=False):
    """Resizes the whole image by the factors (destination pixel centres at half-integer positions);
    the destination size is the written rectangle of ruxiGetResizeRect unless dst_size is given."""
    y_factor = x_factor if y_factor is None else y_factor
    interpolation = CONSTANTS['ruxInterLinear'] if interpolation is None else interpolation
    src = _numpy._direct(src)
    fn, name = _export('ruxiResizeSqrPixel_%s_%sR', src, keep_alpha)
    Rect, Size = _lowlevel.TYPES['RuxImageRect'], _lowlevel.TYPES['RuxImageSize']
    h, w = src.shape[:2]
    src_roi = Rect(0, 0, w, h)
    if dst_size is None:
        r = Rect()
        check('ruxiGetResizeRect', lib.ruxiGetResizeRect(src_roi, ctypes.byref(r), x_factor, y_factor, x_shift,
                                                         y_shift, interpolation))
        dst_size = (r.x + r.width, r.y + r.height)
    W, H = dst_size
    dst = np.zeros((H, W) + src.shape[2:], src.dtype)
    if keep_alpha:
        dst[..., 3] = 0
    dst_roi = Rect(0, 0, W, H)
    n = ctypes.c_int()
    query = lib.ruxiResizeGetBufSize_64f if src.dtype == np.float64 else lib.ruxiResizeGetBufSize
    check('ruxiResizeGetBufSize', query(src_roi, dst_roi, 1 if src.ndim == 2 else src.shape[2], interpolation,
                                        ctypes.byref(n)))
    buf = np.zeros(max(n.value, 1), np.uint8)
    check(name, fn(src.ctypes.data, Size(w, h), src.strides[0], src_roi, dst.ctypes.data, dst.strides[0], dst_roi,
                   x_factor, y_factor, x_shift, y_shift, interpolation, buf.ctypes.data))
    return dst


class _Specs:
    """Transform specifications made on first use per size and kept for the process."""

    def __init__(self):
        self._specs = {}
        atexit.register(self.free)

    def get(self, kind, size, flag):
        key = (kind, size, flag)
        if key not in self._specs:
            p = ctypes.c_void_p()
            if kind.startswith('FFT'):
                orders = [int(n).bit_length() - 1 for n in size]
                if any(1 << o != n for o, n in zip(orders, size)):
                    raise ValueError('FFT sizes must be powers of two, not %s (use dft)' % (size,))
                args = (orders[0], orders[1])
            else:
                args = (_lowlevel.TYPES['RuxImageSize'](*size),)
            name = 'ruxi%sInitAlloc_%s' % tuple(kind.split(':'))
            check(name, getattr(lib, name)(ctypes.byref(p), *args, flag, CONSTANTS['ruxHintAccurate']))
            self._specs[key] = (p, 'ruxi%sFree_%s' % tuple(kind.split(':')))
        return self._specs[key][0]

    def free(self):
        for p, free in self._specs.values():
            getattr(lib, free)(p)
        self._specs.clear()


_SPECS = _Specs()


def _transform(kind, direction, img, flag):
    img = np.ascontiguousarray(img, np.float32)
    h, w = img.shape[:2]
    spec = _SPECS.get(kind + ':R_32f', (w, h), flag)
    fn, name = _export('ruxi%s%s_%%s_%%sR' % (kind, direction), img)
    dst = np.zeros_like(img)
    check(name, fn(img.ctypes.data, img.strides[0], dst.ctypes.data, dst.strides[0], spec, None))
    return dst


def fft(img, flag=None):
    """Forward 2-D FFT of a real 32f image (power-of-two sides) into the packed Pack2D layout."""
    return _transform('FFT', 'Fwd_RToPack', img, CONSTANTS['ruxFftDivInvByN'] if flag is None else flag)


def ifft(pack, flag=None):
    """Inverse of fft: a Pack2D spectrum back to the real image (divided by N with the default flag)."""
    return _transform('FFT', 'Inv_PackToR', pack, CONSTANTS['ruxFftDivInvByN'] if flag is None else flag)


def dft(img, flag=None):
    """Forward 2-D DFT of a real 32f image of any size into Pack2D."""
    return _transform('DFT', 'Fwd_RToPack', img, CONSTANTS['ruxFftDivInvByN'] if flag is None else flag)


def idft(pack, flag=None):
    """Inverse of dft."""
    return _transform('DFT', 'Inv_PackToR', pack, CONSTANTS['ruxFftDivInvByN'] if flag is None else flag)
