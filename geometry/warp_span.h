// Geometry shared by the warps and their companions: quadrangles, the written region of a warp
// and the transforms fitted to quadrangles.
//
// The written region is the set of destination pixels (x, y), integers, that lie inside one or
// two convex quadrangles and inside the destination rectangle. Per row y the horizontal extent of
// each quadrangle is formed in double precision, intersected with the others and with the
// rectangle, and only then converted: columns ceil(left) .. floor(right), rows ceil(ymin) ..
// floor(ymax). No conversion ever sees a value outside the rectangle, so huge coordinates cannot
// overflow an int.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

namespace rux::warp {

struct Pt {
  double x, y;
};

struct Quad {
  Pt p[4];
};

inline bool isFin(double v) { return std::isfinite(v); }

// Convex and non-degenerate: the four corner cross products (q[i+1] - q[i]) x (q[i+2] - q[i+1])
// are finite, non-zero and of one sign.
inline bool acceptable(const Quad& q) {
  int pos = 0, neg = 0;
  for (int i = 0; i < 4; ++i) {
    const Pt a = q.p[i], b = q.p[(i + 1) % 4], c = q.p[(i + 2) % 4];
    const double cross = (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x);
    if (!isFin(cross) || cross == 0.0) return false;
    (cross > 0 ? pos : neg) += 1;
  }
  return pos == 4 || neg == 4;
}

inline Quad quadFrom(const double q[4][2]) {
  Quad r;
  for (int i = 0; i < 4; ++i) r.p[i] = {q[i][0], q[i][1]};
  return r;
}

inline void storeQuad(const Quad& q, double out[4][2]) {
  for (int i = 0; i < 4; ++i) out[i][0] = q.p[i].x, out[i][1] = q.p[i].y;
}

inline void storeBound(const Quad& q, double out[2][2]) {
  double x0 = q.p[0].x, x1 = x0, y0 = q.p[0].y, y1 = y0;
  for (int i = 1; i < 4; ++i) {
    x0 = std::min(x0, q.p[i].x), x1 = std::max(x1, q.p[i].x);
    y0 = std::min(y0, q.p[i].y), y1 = std::max(y1, q.p[i].y);
  }
  out[0][0] = x0, out[0][1] = y0, out[1][0] = x1, out[1][1] = y1;
}

// The Bound functions: the box of a quadrangle function's result, written with success and
// with -56 (a degenerate quadrangle is still written); the quadrangle function's status.
inline RuxResult boundOfQuad(RuxResult st, const double q[4][2], double bound[2][2]) {
  if (st == ruxStatusOk || st == ruxStatusBadCoeffs) storeBound(quadFrom(q), bound);
  return st;
}

// A rectangle of pixel corners: [x0, x1] x [y0, y1] with x1 = x + width - 1 (inclusive), in
// double so that x + width cannot overflow.
struct Rect {
  double x0, y0, x1, y1;
};

inline Rect rectOf(int x, int y, int width, int height) {
  return {static_cast<double>(x), static_cast<double>(y), static_cast<double>(x) + width - 1.0,
          static_cast<double>(y) + height - 1.0};
}

// Corners of a rectangle in quadrangle order: (x0, y0), (x1, y0), (x1, y1), (x0, y1).
inline Quad cornersOf(const Rect& r) { return {{{r.x0, r.y0}, {r.x1, r.y0}, {r.x1, r.y1}, {r.x0, r.y1}}}; }

// Horizontal extent [l, r] of a convex quadrangle on the line at height y; false if it misses.
inline bool rowExtent(const Quad& q, double y, double& l, double& r) {
  l = std::numeric_limits<double>::infinity();
  r = -l;
  for (int i = 0; i < 4; ++i) {
    const Pt a = q.p[i], b = q.p[(i + 1) % 4];
    const double lo = std::min(a.x, b.x), hi = std::max(a.x, b.x);
    if (y < std::min(a.y, b.y) || y > std::max(a.y, b.y)) continue;
    if (a.y == b.y) {
      l = std::min(l, lo), r = std::max(r, hi);
      continue;
    }
    double x = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
    if (!(x >= lo)) x = lo;  // rounding (and NaN) kept on the edge
    if (x > hi) x = hi;
    l = std::min(l, x), r = std::max(r, x);
  }
  return l <= r;
}

// The destination pixels a warp writes: inside every quadrangle of the list and the rectangle.
struct Region {
  Quad quads[2];
  int count = 1;
  Rect box;              // destination rectangle (inclusive pixel corners)
  int rowBegin = 0, rowEnd = 0;  // rows [rowBegin, rowEnd)

  void setRows() {
    double y0 = box.y0, y1 = box.y1;
    for (int k = 0; k < count; ++k) {
      double lo = quads[k].p[0].y, hi = lo;
      for (int i = 1; i < 4; ++i) lo = std::min(lo, quads[k].p[i].y), hi = std::max(hi, quads[k].p[i].y);
      y0 = std::max(y0, lo), y1 = std::min(y1, hi);
    }
    if (!(y0 <= y1)) {
      rowBegin = rowEnd = 0;
      return;
    }
    rowBegin = static_cast<int>(std::ceil(y0));
    rowEnd = static_cast<int>(std::floor(y1)) + 1;
  }

  // Columns [xb, xe) of row y; false when the row writes nothing.
  bool span(int y, int& xb, int& xe) const {
    double l = box.x0, r = box.x1;
    for (int k = 0; k < count; ++k) {
      double a, b;
      if (!rowExtent(quads[k], y, a, b)) return false;
      l = std::max(l, a), r = std::min(r, b);
    }
    if (!(l <= r)) return false;
    xb = static_cast<int>(std::ceil(l));
    xe = static_cast<int>(std::floor(r)) + 1;
    return xb < xe;
  }

  bool any() const {
    int xb, xe;
    for (int y = rowBegin; y < rowEnd; ++y)
      if (span(y, xb, xe)) return true;
    return false;
  }
};

// Limits [xb, xe) to the columns x where lo <= a x + b <= hi (a linear source coordinate along
// a row), in double before any conversion.
inline void limitLinear(double a, double b, double lo, double hi, int& xb, int& xe) {
  if (xb >= xe) return;
  if (a == 0.0) {
    if (!(b >= lo && b <= hi)) xe = xb;
    return;
  }
  double x0 = (lo - b) / a, x1 = (hi - b) / a;
  if (x0 > x1) std::swap(x0, x1);
  const double fb = std::max(static_cast<double>(xb), std::ceil(x0));
  const double fe = std::min(static_cast<double>(xe) - 1.0, std::floor(x1));
  if (!(fb <= fe)) {
    xe = xb;
    return;
  }
  xb = static_cast<int>(fb);
  xe = static_cast<int>(fe) + 1;
}

// ---- transforms ---------------------------------------------------------------------------

struct Affine {
  double c[2][3];
  Pt map(double x, double y) const { return {c[0][0] * x + c[0][1] * y + c[0][2], c[1][0] * x + c[1][1] * y + c[1][2]}; }
  bool isFinite() const {
    for (const auto& r : c)
      for (double v : r)
        if (!isFin(v)) return false;
    return true;
  }
};

// Singular: |c00 c11| <= 1e-200 and |c01 c10| <= 1e-10, or |(c00 c11 - c01 c10) / (c00 c11)| <=
// 1e-10; non-finite coefficients count as singular.
inline bool singular(const Affine& a) {
  if (!a.isFinite()) return true;
  const double p = a.c[0][0] * a.c[1][1], q = a.c[0][1] * a.c[1][0];
  if (!isFin(p) || !isFin(q)) return true;
  if (std::fabs(p) <= 1e-200 && std::fabs(q) <= 1e-10) return true;
  return p != 0.0 && std::fabs((p - q) / p) <= 1e-10;
}

inline bool invert(const Affine& a, Affine& inv) {
  const double det = a.c[0][0] * a.c[1][1] - a.c[0][1] * a.c[1][0];
  if (det == 0.0 || !isFin(det)) return false;
  const double r = 1.0 / det;
  inv.c[0][0] = a.c[1][1] * r, inv.c[0][1] = -a.c[0][1] * r;
  inv.c[1][0] = -a.c[1][0] * r, inv.c[1][1] = a.c[0][0] * r;
  inv.c[0][2] = -(inv.c[0][0] * a.c[0][2] + inv.c[0][1] * a.c[1][2]);
  inv.c[1][2] = -(inv.c[1][0] * a.c[0][2] + inv.c[1][1] * a.c[1][2]);
  return inv.isFinite();
}

inline Quad mapQuad(const Affine& a, const Quad& q) {
  Quad r;
  for (int i = 0; i < 4; ++i) r.p[i] = a.map(q.p[i].x, q.p[i].y);
  return r;
}

struct Perspective {
  double c[3][3];
  bool isFinite() const {
    for (const auto& r : c)
      for (double v : r)
        if (!isFin(v)) return false;
    return true;
  }
  double den(double x, double y) const { return c[2][0] * x + c[2][1] * y + c[2][2]; }
  Pt map(double x, double y) const {
    const double d = den(x, y);
    return {(c[0][0] * x + c[0][1] * y + c[0][2]) / d, (c[1][0] * x + c[1][1] * y + c[1][2]) / d};
  }
};

inline double det3(const Perspective& m) {
  const auto& c = m.c;
  return c[0][0] * (c[1][1] * c[2][2] - c[1][2] * c[2][1]) - c[0][1] * (c[1][0] * c[2][2] - c[1][2] * c[2][0]) +
         c[0][2] * (c[1][0] * c[2][1] - c[1][1] * c[2][0]);
}

// Singular: the determinant relative to the product of the row lengths (at most 1 in size, by
// Hadamard's inequality) is at most 1e-10; non-finite coefficients count as singular.
inline bool singular(const Perspective& m) {
  if (!m.isFinite()) return true;
  double norms = 1.0;
  for (const auto& r : m.c) norms *= std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
  const double d = det3(m);
  return !isFin(d) || !isFin(norms) || norms == 0.0 || std::fabs(d) <= 1e-10 * norms;
}

// The adjugate: the inverse up to a factor, which the ratio of the linear forms cancels.
inline Perspective adjugate(const Perspective& m) {
  const auto& c = m.c;
  Perspective a;
  a.c[0][0] = c[1][1] * c[2][2] - c[1][2] * c[2][1];
  a.c[0][1] = c[0][2] * c[2][1] - c[0][1] * c[2][2];
  a.c[0][2] = c[0][1] * c[1][2] - c[0][2] * c[1][1];
  a.c[1][0] = c[1][2] * c[2][0] - c[1][0] * c[2][2];
  a.c[1][1] = c[0][0] * c[2][2] - c[0][2] * c[2][0];
  a.c[1][2] = c[0][2] * c[1][0] - c[0][0] * c[1][2];
  a.c[2][0] = c[1][0] * c[2][1] - c[1][1] * c[2][0];
  a.c[2][1] = c[0][1] * c[2][0] - c[0][0] * c[2][1];
  a.c[2][2] = c[0][0] * c[1][1] - c[0][1] * c[1][0];
  return a;
}

inline Perspective multiply(const Perspective& a, const Perspective& b) {
  Perspective r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.c[i][j] = a.c[i][0] * b.c[0][j] + a.c[i][1] * b.c[1][j] + a.c[i][2] * b.c[2][j];
  return r;
}

// The four corners of the rectangle map with denominators of one sign (the rectangle does not
// cross the line the map sends to infinity), and the images are finite.
inline bool mapsCorners(const Perspective& m, const Quad& corners, Quad& out) {
  int pos = 0, neg = 0;
  for (int i = 0; i < 4; ++i) {
    const double d = m.den(corners.p[i].x, corners.p[i].y);
    if (!isFin(d) || d == 0.0) return false;
    (d > 0 ? pos : neg) += 1;
    out.p[i] = m.map(corners.p[i].x, corners.p[i].y);
  }
  return pos == 4 || neg == 4;
}

// The projective map of the rectangle's corners onto q0..q3: the unit square onto the
// quadrangle composed with the scaling of the rectangle onto the unit square. False when the
// denominator D vanishes or a coefficient is not finite.
inline bool perspectiveFit(const Rect& r, const Quad& q, Perspective& m) {
  const double w = r.x1 - r.x0, h = r.y1 - r.y0;
  const Pt q0 = q.p[0], q1 = q.p[1], q2 = q.p[2], q3 = q.p[3];
  const double a = q2.x - q1.x, b = q0.y - q3.y, c = q3.y - q2.y, d = q3.x - q2.x, e = q2.y - q1.y, f = q0.x - q3.x;
  const double D = d * e - a * c;
  if (D == 0.0 || !isFin(D)) return false;
  const double g = (e * (a + f) - a * (e + b)) / D, k = (c * (a + f) - d * (e + b)) / D;
  auto& o = m.c;
  o[2][0] = k / w, o[2][1] = g / h;
  o[0][0] = (q1.x * k + q1.x - q0.x) / w, o[0][1] = (q3.x * g + q3.x - q0.x) / h;
  o[1][0] = (q1.y * k + q1.y - q0.y) / w, o[1][1] = (q3.y * g + q3.y - q0.y) / h;
  o[0][2] = q0.x - r.x0 * o[0][0] - r.y0 * o[0][1];
  o[1][2] = q0.y - r.x0 * o[1][0] - r.y0 * o[1][1];
  o[2][2] = 1.0 - r.x0 * o[2][0] - r.y0 * o[2][1];
  return m.isFinite();
}

// Bilinear map x' = c00 x y + c01 x + c02 y + c03, y' = c10 x y + c11 x + c12 y + c13.
struct Bilinear {
  double c[2][4];
  bool isFinite() const {
    for (const auto& r : c)
      for (double v : r)
        if (!isFin(v)) return false;
    return true;
  }
  Pt map(double x, double y) const {
    return {c[0][0] * x * y + c[0][1] * x + c[0][2] * y + c[0][3], c[1][0] * x * y + c[1][1] * x + c[1][2] * y + c[1][3]};
  }
  // The Jacobian determinant, linear in x and y.
  double jacobian(double x, double y) const {
    const double a = c[0][0], b = c[0][1], cc = c[0][2], e = c[1][0], f = c[1][1], g = c[1][2];
    return (a * g - cc * e) * y + (b * e - a * f) * x + (b * g - cc * f);
  }
  Quad mapQuad(const Quad& q) const {
    Quad r;
    for (int i = 0; i < 4; ++i) r.p[i] = map(q.p[i].x, q.p[i].y);
    return r;
  }
};

// The bilinear map of the rectangle's corners onto q0..q3: with s = (x - x0) / w, t = (y - y0) / h,
// p = q0 + (q1 - q0) s + (q3 - q0) t + (q0 - q1 + q2 - q3) s t, expanded in x and y.
inline bool bilinearFit(const Rect& r, const Quad& q, Bilinear& m) {
  const double w = r.x1 - r.x0, h = r.y1 - r.y0;
  const double qx[4] = {q.p[0].x, q.p[1].x, q.p[2].x, q.p[3].x}, qy[4] = {q.p[0].y, q.p[1].y, q.p[2].y, q.p[3].y};
  for (int k = 0; k < 2; ++k) {
    const double* v = k == 0 ? qx : qy;
    const double A = (v[0] - v[1] + v[2] - v[3]) / (w * h), B = (v[1] - v[0]) / w, C = (v[3] - v[0]) / h;
    // A (x - x0)(y - y0) + B (x - x0) + C (y - y0) + v0
    m.c[k][0] = A;
    m.c[k][1] = B - A * r.y0;
    m.c[k][2] = C - A * r.x0;
    m.c[k][3] = v[0] + A * r.x0 * r.y0 - B * r.x0 - C * r.y0;
  }
  return m.isFinite();
}

// (x, y) with B(x, y) = (px, py), the root inside or nearest to the rectangle dom: the quadratic
// of the elimination in double, then Newton steps on the map itself. False when no real root
// exists.
inline bool bilinearSolve(const Bilinear& m, double px, double py, const Rect& dom, double& x, double& y) {
  const double a = m.c[0][0], b = m.c[0][1], c = m.c[0][2], d = m.c[0][3] - px;
  const double e = m.c[1][0], f = m.c[1][1], g = m.c[1][2], h = m.c[1][3] - py;
  // x = -(c y + d) / (a y + b) from the first equation; into the second:
  // (e f-terms) give A y^2 + B y + C = 0 with
  const double A = e * c - a * g, B = e * d + f * c - a * h - b * g, C = f * d - b * h;
  double ys[2];
  int n = 0;
  if (std::fabs(A) <= 1e-14 * (std::fabs(B) + std::fabs(C))) {
    if (B == 0.0) return false;
    ys[n++] = -C / B;
  } else {
    const double disc = B * B - 4.0 * A * C;
    if (disc < 0.0) return false;
    const double s = std::sqrt(disc);
    const double qv = -0.5 * (B + (B >= 0 ? s : -s));
    if (qv != 0.0) ys[n++] = C / qv;
    ys[n++] = qv / A;
  }
  double best = std::numeric_limits<double>::infinity();
  bool found = false;
  for (int i = 0; i < n; ++i) {
    const double yy = ys[i];
    const double den1 = a * yy + b, den2 = e * yy + f;
    const double xx = std::fabs(den1) >= std::fabs(den2) ? -(c * yy + d) / den1 : -(g * yy + h) / den2;
    if (!isFin(xx) || !isFin(yy)) continue;
    const double dist = std::max({0.0, dom.x0 - xx, xx - dom.x1}) + std::max({0.0, dom.y0 - yy, yy - dom.y1});
    if (dist < best) best = dist, x = xx, y = yy, found = true;
  }
  if (!found) return false;
  for (int it = 0; it < 2; ++it) {
    const Pt q = m.map(x, y);
    const double rx = q.x - px, ry = q.y - py;
    const double j00 = a * y + b, j01 = a * x + c, j10 = e * y + f, j11 = e * x + g;
    const double det = j00 * j11 - j01 * j10;
    if (det == 0.0 || !isFin(det)) break;
    x -= (j11 * rx - j01 * ry) / det;
    y -= (j00 * ry - j10 * rx) / det;
  }
  return isFin(x) && isFin(y);
}

// The Jacobian keeps one non-zero sign over the rectangle (it is linear: the corners decide).
inline bool injective(const Bilinear& m, const Rect& r) {
  const Quad q = cornersOf(r);
  int pos = 0, neg = 0;
  for (const Pt& p : q.p) {
    const double j = m.jacobian(p.x, p.y);
    if (!isFin(j) || j == 0.0) return false;
    (j > 0 ? pos : neg) += 1;
  }
  return pos == 4 || neg == 4;
}

}  // namespace rux::warp
