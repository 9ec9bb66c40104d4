"""Low-level layer: every function of ruxi.h and ruxcore.h as a ctypes function.

The prototypes are read from the installed headers when the package is imported, so an export
added to the header is callable without regenerating anything. ctypes.CDLL functions release the
interpreter lock for the duration of a call, so library calls from several Python threads run at
the same time.

Where the files are found (first match wins):
  RUXIP_LIBRARY   path of libruxi.so (libruxcore.so is taken from the same folder)
  RUXIP_INCLUDE   folder holding ruxi.h, ruxtypes.h and ruxcore.h
  RUXIP_DATA      folder holding ruxi_exports.tsv and contracts/
then the paths that `cmake --install` wrote into _install_paths.py (relative to this package,
so a moved install keeps working), then the source tree (python/../include, ../catalog).
"""
import ctypes
import os
import re

_HERE = os.path.dirname(os.path.abspath(__file__))


def _install_paths():
    try:
        from . import _install_paths as p
    except ImportError:
        return None
    return {k: os.path.normpath(os.path.join(_HERE, getattr(p, k))) for k in ('LIBDIR', 'INCLUDEDIR', 'DATADIR')}


def _locate():
    inst = _install_paths()
    src_root = os.path.normpath(os.path.join(_HERE, '..', '..'))
    lib = os.environ.get('RUXIP_LIBRARY')
    lib = lib and os.path.abspath(lib)
    if lib and os.path.isdir(lib):
        lib = os.path.join(lib, 'libruxi.so')
    if not lib and inst:
        lib = os.path.join(inst['LIBDIR'], 'libruxi.so')
    if not lib:
        guess = os.path.join(src_root, 'build', 'release', 'libruxi.so')
        lib = guess if os.path.exists(guess) else 'libruxi.so.7'
    inc = os.environ.get('RUXIP_INCLUDE') or (inst and inst['INCLUDEDIR']) or os.path.join(src_root, 'include')
    data = os.environ.get('RUXIP_DATA') or (inst and inst['DATADIR']) or os.path.join(src_root, 'catalog')
    return lib, inc, data


LIBRARY_PATH, INCLUDE_DIR, DATA_DIR = _locate()

# ---- C types ------------------------------------------------------------------------------
_SCALARS = {
    'Rux8u': ctypes.c_uint8, 'Rux8s': ctypes.c_int8, 'Rux16u': ctypes.c_uint16, 'Rux16s': ctypes.c_int16,
    'Rux32u': ctypes.c_uint32, 'Rux32s': ctypes.c_int32, 'Rux32f': ctypes.c_float, 'Rux64s': ctypes.c_int64,
    'Rux64f': ctypes.c_double, 'int': ctypes.c_int, 'unsigned int': ctypes.c_uint, 'float': ctypes.c_float,
    'double': ctypes.c_double, 'char': ctypes.c_char, 'RuxResult': ctypes.c_int,
}


def _read(name):
    with open(os.path.join(INCLUDE_DIR, name)) as f:
        return f.read()


def _c_int(text):
    """Value of an integer constant expression of the headers (literals, +, -, parentheses)."""
    text = text.strip()
    if not re.fullmatch(r'[-+ ()0-9xXa-fA-FuUlL]+', text):
        raise ValueError(text)
    return int(eval(re.sub(r'(?<=[0-9a-fA-F])[uUlL]+', '', text), {'__builtins__': {}}))


def _parse_types(text):
    """Structs, enumerations and typedefs of ruxtypes.h: ctypes records, constants, enum types."""
    types = dict(_SCALARS)
    consts = {}
    text = re.sub(r'/\*.*?\*/', '', text, flags=re.S)
    for m in re.finditer(r'typedef\s+struct\s*\{(?P<body>[^}]*)\}\s*(?P<name>\w+)\s*;', text):
        fields = []
        for decl in m.group('body').split(';'):
            decl = ' '.join(decl.split())
            d = re.fullmatch(r'(?P<t>.*?)(?P<n>\w+)(?:\[(?P<len>\d+)\])?', decl) if decl else None
            if not d:
                continue
            t = d.group('t').strip()
            ct = ctypes.c_char_p if t.replace(' ', '') == 'constchar*' else (
                ctypes.c_void_p if '*' in t else types.get(t.replace('const ', '').strip(), ctypes.c_int))
            if d.group('len'):
                ct = ct * int(d.group('len'))
            fields.append((d.group('n'), ct))
        types[m.group('name')] = type(m.group('name'), (ctypes.Structure,), {'_fields_': fields})
    for m in re.finditer(r'typedef\s+struct\s+\w+\s+(\w+)\s*;', text):
        types[m.group(1)] = None  # opaque state: passed as a pointer only
    for m in re.finditer(r'(?:typedef\s+)?enum\s*\{(?P<body>[^}]*)\}\s*(?P<name>\w*)\s*;', text):
        value = -1
        for item in m.group('body').split(','):
            item = item.strip()
            if not item:
                continue
            name, _, expr = item.partition('=')
            value = _c_int(expr) if expr.strip() else value + 1
            consts[name.strip()] = value
        if m.group('name'):
            types[m.group('name')] = ctypes.c_int
    for m in re.finditer(r'typedef\s+(int|unsigned int)\s+(\w+)\s*;', text):
        types[m.group(2)] = ctypes.c_int
    return types, consts


TYPES, CONSTANTS = _parse_types(_read('ruxtypes.h'))
STATUS_NAMES = {v: k for k, v in CONSTANTS.items() if k.startswith('ruxStatus')}

_PROTO = re.compile(r'^(?P<ret>[A-Za-z_][\w ]*[ *]+)(?P<name>(?:ruxi|rux|own)[A-Za-z0-9_]+)\((?P<args>[^)]*)\);',
                    re.M)


class Arg:
    """One argument of a prototype, as written in the header."""
    __slots__ = ('name', 'ctype', 'base', 'const', 'stars', 'dims', 'ptr_array')

    def __init__(self, text):
        text = ' '.join(text.split())
        m = re.fullmatch(r'(?P<t>.*?)(?P<n>\w+)(?P<dims>(?:\[\d*\])*)', text)
        t = m.group('t').strip()
        self.name = m.group('n')
        self.dims = [int(d) if d else 0 for d in re.findall(r'\[(\d*)\]', m.group('dims'))]
        self.const = t.startswith('const ')
        self.stars = t.count('*') + len(self.dims)
        self.base = ' '.join(t.replace('const', ' ').replace('*', ' ').split())
        self.ptr_array = bool(self.dims) and t.count('*') == 1   # T* const p[N]: planes, per-channel arrays
        self.ctype = t + m.group('dims')

    @property
    def length(self):
        return self.dims[0] if self.dims else 0

    def ctypes_type(self):
        if self.stars:
            return ctypes.c_void_p
        t = TYPES.get(self.base)
        if t is None:
            raise KeyError(self.base)
        return t

    def __repr__(self):
        return '%s %s' % (self.ctype, self.name)


class Prototype:
    __slots__ = ('name', 'ret', 'args', 'comment')

    def __init__(self, name, ret, args, comment):
        self.name, self.ret, self.args, self.comment = name, ret, args, comment

    def __repr__(self):
        return '%s %s(%s)' % (self.ret, self.name, ', '.join(map(repr, self.args)))


def parse_header(text):
    """Prototypes of a header in order, each with the group comment above it."""
    out = {}
    comment = ''
    for line in text.splitlines():
        s = line.strip()
        c = re.match(r'/\*\s*(.*?)\s*\*/$', s)
        if c:
            comment = c.group(1)
            continue
        m = _PROTO.match(s)
        if m:
            a = m.group('args').strip()
            args = [] if a in ('', 'void') else [Arg(t) for t in a.split(',')]
            out[m.group('name')] = Prototype(m.group('name'), ' '.join(m.group('ret').split()), args, comment)
    return out


PROTOTYPES = parse_header(_read('ruxi.h'))
CORE_PROTOTYPES = parse_header(_read('ruxcore.h'))


def _ret_type(ret):
    if ret == 'void':
        return None
    if ret == 'const RuxVersionInfo*':
        return ctypes.POINTER(TYPES['RuxVersionInfo'])
    if '*' in ret:
        return ctypes.c_void_p
    return TYPES.get(ret, ctypes.c_int)


class Library:
    """Attribute access gives the ctypes function of an export, its argument and result types set
    from the header prototype (bound on first use: setting up 3,000 functions at import is slow)."""

    def __init__(self, dll, prototypes):
        self._dll = dll
        self.prototypes = prototypes

    def __getattr__(self, name):
        proto = self.prototypes.get(name)
        fn = getattr(self._dll, name)
        if proto is not None:
            fn.restype = _ret_type(proto.ret)
            try:
                fn.argtypes = [a.ctypes_type() for a in proto.args]
            except KeyError:
                pass  # an argument type this layer does not know: called with ctypes' defaults
        setattr(self, name, fn)
        return fn

    def __dir__(self):
        return list(self.prototypes)


def _load():
    lib_dir = os.path.dirname(LIBRARY_PATH)
    core_path = os.path.join(lib_dir, 'libruxcore.so') if lib_dir else 'libruxcore.so.7'
    # Loaded first and globally, so that libruxi's dependency on it resolves without a search path.
    core = ctypes.CDLL(core_path, mode=ctypes.RTLD_GLOBAL)
    return ctypes.CDLL(LIBRARY_PATH), core


_dll, _core_dll = _load()
lib = Library(_dll, PROTOTYPES)
core = Library(_core_dll, CORE_PROTOTYPES)


def set_num_threads(n):
    """Library-wide thread count of the parallel functions."""
    status = core.ruxSetNumThreads(int(n))
    if status < 0:
        raise ValueError('ruxSetNumThreads(%d): %s' % (n, STATUS_NAMES.get(status, status)))


def get_num_threads():
    n = ctypes.c_int()
    core.ruxGetNumThreads(ctypes.byref(n))
    return n.value


def version():
    v = lib.ruxiGetLibVersion().contents
    return '%s %s' % (v.libraryName.decode(), v.versionText.decode())
