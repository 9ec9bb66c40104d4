"""ruxip against numpy, SciPy and OpenCV on scikit-image's sample photographs.

Run: RUXIP_LIBRARY=build/release/libruxi.so PYTHONPATH=python /usr/bin/python3 -m unittest discover -s python/tests
"""
import os
import threading
import time
import unittest
import warnings

import cv2
import numpy as np
import scipy.ndimage as ndi
import skimage.data

import ruxip

CAMERA = skimage.data.camera()                      # 512 x 512 grey
ASTRONAUT = skimage.data.astronaut()                # 512 x 512 RGB
COFFEE = np.ascontiguousarray(skimage.data.coffee()[:300, :400])   # 300 x 400 RGB


def half_even(v, s):
    """Integer scale factor s > 0: v / 2^s rounded to nearest, ties to even."""
    return np.round(v / float(2 ** s))


class Bindings(unittest.TestCase):
    def test_every_export_is_bound_and_grouped(self):
        names = list(ruxip.PROTOTYPES)
        self.assertGreater(len(names), 3000)
        unbound = [n for n in names if getattr(ruxip.lib, n).argtypes is None and ruxip.PROTOTYPES[n].args]
        self.assertEqual(unbound, [])
        grouped = sorted(e for exports in ruxip.operations().values() for e in exports)
        self.assertEqual(grouped, sorted(names))

    def test_names_follow_the_grammar(self):
        cases = [('ruxiAdd_8u_C1RSfs', 'add', ['8u'], ['C1'], 'RSfs'),
                 ('ruxiThreshold_LTValGTVal_16s_AC4IR', 'threshold_lt_val_gt_val', ['16s'], ['AC4'], 'IR'),
                 ('ruxiCopy_8u_C3P3R', 'copy', ['8u'], ['C3', 'P3'], 'R'),
                 ('ruxiConvert_32f8u_C1R', 'convert', ['32f', '8u'], ['C1'], 'R'),
                 ('ruxiCopy_16u_C4CR', 'copy', ['16u'], ['C4'], 'CR'),
                 ('ruxiFFTFwd_RToPack_32f_C1R', 'fft_fwd_r_to_pack', ['32f'], ['C1'], 'R'),
                 ('ruxiAnd_8u_C1R', 'and_', ['8u'], ['C1'], 'R')]
        for name, py, types, layout, flags in cases:
            self.assertEqual(ruxip.parse_name(name), (py, types, layout, flags), name)

    def test_description_expressions(self):
        from ruxip._contracts import evaluate
        names = {'width': 7, 'anchor.x': 2, 'maskSize.width': 5, 'nBitSize': 4, 'mask': 55}
        table = [('maskSize.width-anchor.x-1', 2), ('2^nBitSize*3', 48), ('-7/2', -3), ('(mask-11)/22', 2),
                 ('width*(2+1)-4', 17), ('-2^2', -4)]
        for expr, want in table:
            self.assertEqual(evaluate(expr, names), want, expr)
        with self.assertRaises(KeyError):
            evaluate('height+1', names)

    def test_statuses(self):
        with self.assertRaises(ruxip.RuxError) as e:
            ruxip.filter_median(CAMERA, (4, 4))
        self.assertEqual((e.exception.status, e.exception.status_name), (-33, 'ruxStatusBadMaskSize'))
        a = np.array([[0, 2, 4]], np.uint8)
        with self.assertWarns(ruxip.RuxWarning):
            d = ruxip.div(a, np.full_like(a, 8))      # 8 / a: a zero divisor is met
        self.assertEqual(d[0, 1:].tolist(), [4, 2])
        with self.assertRaises(TypeError):
            ruxip.add(CAMERA, CAMERA.astype(np.uint16), scale=0)

    def test_interpreter_lock_is_released(self):
        # While one thread is inside a library call, another thread keeps running Python code.
        img = np.ascontiguousarray(np.tile(CAMERA, (3, 4))[:1080, :1920])
        before = ruxip.get_num_threads()
        ruxip.set_num_threads(1)
        progress, done = [0], threading.Event()

        def spin():
            while not done.is_set():
                progress[0] += 1

        t = threading.Thread(target=spin)
        t.start()
        try:
            time.sleep(0.01)
            start = progress[0]
            ruxip.filter_median(img, (9, 9))
            during = progress[0] - start
        finally:
            done.set()
            t.join()
            ruxip.set_num_threads(before)
        self.assertGreater(during, 1000)


class Exchange(unittest.TestCase):
    def test_convert_and_copy(self):
        f = ruxip.convert(ASTRONAUT, dtype=np.float32)
        np.testing.assert_array_equal(f, ASTRONAUT.astype(np.float32))
        g = (f - 0.5) * 1.003
        np.testing.assert_array_equal(ruxip.convert(g, dtype=np.uint8), np.clip(np.rint(g), 0, 255).astype(np.uint8))
        planes = [np.zeros(CAMERA.shape, np.uint8) for _ in range(3)]
        ruxip.copy(ASTRONAUT, out=planes)                     # an out list selects C3P3
        for k in range(3):
            np.testing.assert_array_equal(planes[k], ASTRONAUT[..., k])
        np.testing.assert_array_equal(ruxip.copy(planes), ASTRONAUT)   # P3C3
        np.testing.assert_array_equal(ruxip.transpose(COFFEE), COFFEE.transpose(1, 0, 2))
        np.testing.assert_array_equal(ruxip.mirror(CAMERA, 2), CAMERA[::-1, ::-1])

    def test_strided_views_and_layouts(self):
        view = ASTRONAUT[40:300, 17:333]                     # padded rows, odd byte offset
        np.testing.assert_array_equal(ruxip.copy(view), view)
        np.testing.assert_array_equal(ruxip.copy(CAMERA[:, ::3]), CAMERA[:, ::3])   # copied first
        rgba = np.dstack([ASTRONAUT, np.full(CAMERA.shape, 77, np.uint8)])
        out = np.zeros_like(rgba)
        ruxip.copy(rgba, keep_alpha=True, out=out)
        np.testing.assert_array_equal(out[..., :3], ASTRONAUT)
        self.assertTrue((out[..., 3] == 0).all())
        np.testing.assert_array_equal(ruxip.swap_channels(ASTRONAUT, [2, 1, 0]), ASTRONAUT[..., ::-1])
        mask = (CAMERA > 128).astype(np.uint8)
        masked = ruxip.copy(CAMERA, mask=mask, out=np.full_like(CAMERA, 9))
        np.testing.assert_array_equal(masked, np.where(mask > 0, CAMERA, 9))
        np.testing.assert_array_equal(ruxip.copy(ASTRONAUT, channel=1, out=np.zeros_like(ASTRONAUT))[..., 1],
                                      ASTRONAUT[..., 1])


    def test_in_place_and_out_on_views(self):
        # Views whose pixels are not contiguous are computed in a copy and written back.
        big = np.tile(CAMERA, (1, 2))
        view = big[:, ::2]
        want = np.minimum(view.astype(int) + 9, 255)
        self.assertIs(ruxip.add_c(9, view, inplace=True), view)
        np.testing.assert_array_equal(view, want)
        np.testing.assert_array_equal(big[:, 1::2], np.tile(CAMERA, (1, 2))[:, 1::2])   # the others kept
        out = np.zeros((512, 1024), np.uint8)[:, ::2]
        self.assertIs(ruxip.not_(CAMERA, out=out), out)
        np.testing.assert_array_equal(out, ~CAMERA)
        with self.assertRaises(ValueError):
            ruxip.not_(CAMERA, out=np.zeros((5, 5), np.uint8))


class Arithmetic(unittest.TestCase):
    def test_integer_scaled_against_numpy(self):
        a, b = CAMERA.astype(np.int64), np.rot90(CAMERA).astype(np.int64)
        table = [('add', 1, a + b), ('add', 0, a + b), ('sub', 0, b - a), ('mul', 3, a * b), ('add', -1, a + b)]
        for op, s, v in table:
            got = getattr(ruxip, op)(CAMERA, np.ascontiguousarray(np.rot90(CAMERA)), scale=s)
            want = np.clip(half_even(v, s) if s > 0 else v * 2 ** -s, 0, 255)
            np.testing.assert_array_equal(got, want, err_msg='%s scale %d' % (op, s))

    def test_float_and_in_place(self):
        a = ASTRONAUT.astype(np.float32) / 255
        b = np.ascontiguousarray(a[::-1])
        np.testing.assert_allclose(ruxip.mul(a, b), a * b, rtol=1e-6)
        np.testing.assert_allclose(ruxip.sqrt(a), np.sqrt(a), rtol=1e-6)
        c = a.copy()
        self.assertIs(ruxip.add_c(0.25, c, inplace=True), c)
        np.testing.assert_allclose(c, a + 0.25, rtol=1e-6)
        np.testing.assert_array_equal(ruxip.add(ASTRONAUT, ASTRONAUT, scale=1), ASTRONAUT)  # C3 route
        np.testing.assert_array_equal(cv2.add(CAMERA, CAMERA), ruxip.add(CAMERA, CAMERA, scale=0))

    def test_logic(self):
        a, b = CAMERA, np.ascontiguousarray(CAMERA.T)
        for op, want in [('and_', a & b), ('or_', a | b), ('xor', a ^ b)]:
            np.testing.assert_array_equal(getattr(ruxip, op)(a, b), want, err_msg=op)
        np.testing.assert_array_equal(ruxip.not_(a), ~a)
        np.testing.assert_array_equal(ruxip.r_shift_c(a, 3), a >> 3)


class ThresholdAndStatistics(unittest.TestCase):
    def test_threshold(self):
        np.testing.assert_array_equal(ruxip.threshold_gt_val(CAMERA, 100, 255), np.where(CAMERA > 100, 255, CAMERA))
        np.testing.assert_array_equal(ruxip.threshold_lt_val_gt_val(ASTRONAUT, 50, 0, 200, 255),
                                      np.where(ASTRONAUT < 50, 0, np.where(ASTRONAUT > 200, 255, ASTRONAUT)))
        otsu = ruxip.compute_threshold_otsu(CAMERA)
        ref, _ = cv2.threshold(CAMERA, 0, 255, cv2.THRESH_BINARY | cv2.THRESH_OTSU)
        self.assertLessEqual(abs(otsu - ref), 1)

    def test_reductions(self):
        f = COFFEE.astype(np.float32) / 7
        self.assertEqual(ruxip.sum(CAMERA), CAMERA.sum())
        np.testing.assert_allclose(ruxip.mean(COFFEE), COFFEE.reshape(-1, 3).mean(0))
        np.testing.assert_allclose(ruxip.sum(f), f.astype(np.float64).reshape(-1, 3).sum(0), rtol=1e-9)
        self.assertEqual(ruxip.min_max(CAMERA), (CAMERA.min(), CAMERA.max()))
        v, x, y = ruxip.max_indx(CAMERA)
        self.assertEqual((v, y * 512 + x), (CAMERA.max(), CAMERA.argmax()))
        self.assertAlmostEqual(ruxip.norm_l2(CAMERA), np.linalg.norm(CAMERA.astype(np.float64)), places=6)
        self.assertAlmostEqual(ruxip.norm_diff_l1(CAMERA, np.ascontiguousarray(CAMERA.T)),
                               np.abs(CAMERA.astype(np.int64) - CAMERA.T).sum())

    def test_histogram(self):
        hist, levels = ruxip.histogram_even(CAMERA, 17, 0, 256)
        np.testing.assert_array_equal(hist, np.histogram(CAMERA, bins=16, range=(0, 256))[0])
        hists, _ = ruxip.histogram_even(ASTRONAUT, 9, 0, 256)
        for k in range(3):
            np.testing.assert_array_equal(hists[k], np.histogram(ASTRONAUT[..., k], bins=8, range=(0, 256))[0])


class Neighbourhood(unittest.TestCase):
    def test_rank_and_box_filters(self):
        for shape in [(3, 3), (5, 5), (7, 3)]:
            np.testing.assert_array_equal(ruxip.filter_median(CAMERA, shape),
                                          ndi.median_filter(CAMERA, size=shape[::-1], mode='nearest'))
        np.testing.assert_array_equal(ruxip.filter_max(ASTRONAUT, (5, 3)),
                                      ndi.maximum_filter(ASTRONAUT, size=(3, 5, 1), mode='nearest'))
        box = ruxip.filter_box(COFFEE, (5, 5)).astype(int)
        ref = cv2.blur(COFFEE, (5, 5), borderType=cv2.BORDER_REPLICATE).astype(int)
        self.assertLessEqual(np.abs(box - ref).max(), 1)

    def test_kernel_filters(self):
        f = CAMERA.astype(np.float32)
        k = np.array([[1, 2, 0], [-1, 4, 1], [0, 1, 3]], np.float32) / 11
        np.testing.assert_allclose(ruxip.filter(f, k), ndi.convolve(f, k, mode='nearest'), atol=2e-4)
        g = ruxip.filter_gauss(CAMERA, ruxip.ruxMaskSize3x3).astype(int)
        ref = cv2.GaussianBlur(CAMERA, (3, 3), 0, borderType=cv2.BORDER_REPLICATE).astype(int)
        self.assertLessEqual(np.abs(g - ref).max(), 1)
        padded = np.pad(CAMERA, 2, mode='reflect')      # the caller's own border
        np.testing.assert_array_equal(ruxip.filter_median(padded, (5, 5), border=None),
                                      ndi.median_filter(CAMERA, 5, mode='mirror'))

    def test_morphology(self):
        se = np.array([[0, 1, 0], [1, 1, 1], [0, 1, 1]], np.uint8)
        np.testing.assert_array_equal(ruxip.dilate(CAMERA, se), ndi.grey_dilation(CAMERA, footprint=se[::-1, ::-1],
                                                                                 mode='nearest'))
        np.testing.assert_array_equal(ruxip.erode3x3(ASTRONAUT), cv2.erode(ASTRONAUT, np.ones((3, 3), np.uint8),
                                                                           borderType=cv2.BORDER_REPLICATE))
        c = CAMERA.copy()
        ruxip.dilate3x3(c, inplace=True)
        np.testing.assert_array_equal(c, cv2.dilate(CAMERA, np.ones((3, 3), np.uint8),
                                                    borderType=cv2.BORDER_REPLICATE))


class Geometry(unittest.TestCase):
    def test_resize(self):
        half = ruxip.resize_sqr_pixel(ASTRONAUT, 0.5).astype(int)
        ref = cv2.resize(ASTRONAUT, (256, 256), interpolation=cv2.INTER_LINEAR).astype(int)
        self.assertEqual(half.shape, (256, 256, 3))
        self.assertLessEqual(np.abs(half - ref).max(), 1)
        double = ruxip.resize_sqr_pixel(CAMERA, 2, interpolation=ruxip.ruxInterNearest)
        np.testing.assert_array_equal(double, CAMERA.repeat(2, 0).repeat(2, 1))
        f = ruxip.resize_sqr_pixel(COFFEE.astype(np.float32), 1.5, 0.75, interpolation=ruxip.ruxInterCubicCatmullRom)
        self.assertEqual(f.shape, (225, 600, 3))


class Transforms(unittest.TestCase):
    def test_fft_and_dft(self):
        img = CAMERA[:256, :128].astype(np.float32)
        pack = ruxip.fft(img)
        full = ruxip.pack_to_cplx_extend(pack)
        ref = np.fft.fft2(img.astype(np.float64))
        np.testing.assert_allclose(full, ref, atol=1e-3 * np.abs(ref).max())
        np.testing.assert_allclose(ruxip.ifft(pack), img, atol=1e-2)
        odd = COFFEE[:45, :60, 0].astype(np.float32)
        np.testing.assert_allclose(ruxip.pack_to_cplx_extend(ruxip.dft(odd)), np.fft.fft2(odd), atol=0.05)
        np.testing.assert_allclose(ruxip.idft(ruxip.dft(odd)), odd, atol=1e-3)


def measure_threads(calls=3, repeat=5):
    """Seconds for 2 x calls 1080p 9x9 median filters in a row and split over two Python threads,
    library thread count 1. The source holds its border and each thread writes its own
    destination (out=), so the time is the library's, not numpy's padding or fresh pages."""
    img = np.ascontiguousarray(np.tile(CAMERA, (3, 4))[:1088, :1928])
    outs = [np.zeros((1080, 1920), np.uint8) for _ in range(2)]

    def work(k):
        for _ in range(calls):
            ruxip.filter_median(img, (9, 9), border=None, out=outs[k])

    before = ruxip.get_num_threads()
    ruxip.set_num_threads(1)
    try:
        work(0)
        work(1)
        serial = parallel = float('inf')
        for _ in range(repeat):
            t = time.perf_counter()
            work(0)
            work(0)
            serial = min(serial, time.perf_counter() - t)
            threads = [threading.Thread(target=work, args=(k,)) for k in range(2)]
            t = time.perf_counter()
            for th in threads:
                th.start()
            for th in threads:
                th.join()
            parallel = min(parallel, time.perf_counter() - t)
    finally:
        ruxip.set_num_threads(before)
    return serial, parallel


@unittest.skipUnless(os.environ.get('RUXIP_TIMING') == '1', 'timing: set RUXIP_TIMING=1 on an idle machine')
class Timing(unittest.TestCase):
    def test_two_threads_overlap(self):
        serial, parallel = measure_threads()
        self.assertLessEqual(parallel, 0.6 * serial)


if __name__ == '__main__':
    s, p = measure_threads()
    print('1080p FilterMedian 9x9 8u, 6 calls: %.3f s in a row, %.3f s in two Python threads (%.2fx)' % (s, p, p / s))
