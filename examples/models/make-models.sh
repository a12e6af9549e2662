#!/bin/sh
# Writes the examples' models and textures into this folder: low-poly OBJ
# files (cube, sphere, torus, pyramid, floor) that use the materials of
# shapes.mtl, and two small grey PGM textures (checker, tiles) that the
# materials' colours tint. Plain awk arithmetic with fixed formats, so running
# it again gives the same bytes. Usage: examples/models/make-models.sh
set -eu
cd "$(dirname "$0")"

# Shared awk helpers: numbers with four decimals (never "-0.0000"), vertices,
# normals and texture coordinates appended to the current file, and faces
# whose corners are turned so that they wind counter-clockwise seen from the
# side their normals point to (the renderer culls back faces).
lib='
function f4(x,   s) { s = sprintf("%.4f", x); if (s == "-0.0000") s = "0.0000"; return s }
function v(x, y, z) { printf "v %s %s %s\n", f4(x), f4(y), f4(z); nv++; vx[nv] = x; vy[nv] = y; vz[nv] = z; return nv }
function vn(x, y, z,   l) { l = sqrt(x*x + y*y + z*z); printf "vn %s %s %s\n", f4(x/l), f4(y/l), f4(z/l); nn++; nx[nn] = x/l; ny[nn] = y/l; nz[nn] = z/l; return nn }
function vt(s, t) { printf "vt %s %s\n", f4(s), f4(t); return ++nt }
# One triangle: vertex, texture and normal index of each corner.
function tri(a, ta, na, b, tb, nb, c, tc, nc,   ux, uy, uz, wx, wy, wz, cx, cy, cz) {
  ux = vx[b] - vx[a]; uy = vy[b] - vy[a]; uz = vz[b] - vz[a]
  wx = vx[c] - vx[a]; wy = vy[c] - vy[a]; wz = vz[c] - vz[a]
  cx = uy*wz - uz*wy; cy = uz*wx - ux*wz; cz = ux*wy - uy*wx
  if (cx*(nx[na] + nx[nb] + nx[nc]) + cy*(ny[na] + ny[nb] + ny[nc]) + cz*(nz[na] + nz[nb] + nz[nc]) < 0)
    printf "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, ta, na, c, tc, nc, b, tb, nb
  else
    printf "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, ta, na, b, tb, nb, c, tc, nc
}
function quad(a, ta, na, b, tb, nb, c, tc, nc, d, td, nd) {
  tri(a, ta, na, b, tb, nb, c, tc, nc); tri(a, ta, na, c, tc, nc, d, td, nd)
}
function head(what, material) {
  printf "# %s, written by make-models.sh\nmtllib shapes.mtl\ng %s\nusemtl %s\n", what, what, material
}
'

# A cube of side 1 with the checker texture once on every face. Its eight
# corners are shared by the faces, so the shadow pass finds its edges.
awk "$lib"'BEGIN {
  head("cube", "checker")
  for (i = 0; i < 8; i++) c[i] = v(i % 2 - 0.5, int(i / 2) % 2 - 0.5, int(i / 4) - 0.5)
  t0 = vt(0, 0); t1 = vt(1, 0); t2 = vt(1, 1); t3 = vt(0, 1)
  split("1 0 0 -1 0 0 0 1 0 0 -1 0 0 0 1 0 0 -1", n, " ")
  for (k = 0; k < 6; k++) m[k] = vn(n[3*k + 1], n[3*k + 2], n[3*k + 3])
  quad(c[1], t0, m[0], c[3], t1, m[0], c[7], t2, m[0], c[5], t3, m[0])
  quad(c[0], t0, m[1], c[4], t1, m[1], c[6], t2, m[1], c[2], t3, m[1])
  quad(c[2], t0, m[2], c[6], t1, m[2], c[7], t2, m[2], c[3], t3, m[2])
  quad(c[0], t0, m[3], c[1], t1, m[3], c[5], t2, m[3], c[4], t3, m[3])
  quad(c[4], t0, m[4], c[5], t1, m[4], c[7], t2, m[4], c[6], t3, m[4])
  quad(c[0], t0, m[5], c[2], t1, m[5], c[3], t2, m[5], c[1], t3, m[5])
}' > cube.obj

# A sphere of 20 segments and 12 rings with smooth normals; one vertex per
# pole.
awk "$lib"'BEGIN {
  head("sphere", "red"); pi = 3.141592653589793; S = 20; R = 12
  top = v(0, 0.5, 0); ntop = vn(0, 1, 0)
  for (i = 1; i < R; i++) for (j = 0; j < S; j++) {
    a = pi * i / R; b = 2 * pi * j / S
    p[i, j] = v(0.5 * sin(a) * cos(b), 0.5 * cos(a), -0.5 * sin(a) * sin(b))
    q[i, j] = vn(sin(a) * cos(b), cos(a), -sin(a) * sin(b))
  }
  bottom = v(0, -0.5, 0); nbottom = vn(0, -1, 0)
  for (i = 0; i <= R; i++) for (j = 0; j <= S; j++) t[i, j] = vt(j / S, 1 - i / R)
  for (j = 0; j < S; j++) {
    k = (j + 1) % S
    tri(top, t[0, j], ntop, p[1, j], t[1, j], q[1, j], p[1, k], t[1, j + 1], q[1, k])
    tri(bottom, t[R, j], nbottom, p[R - 1, k], t[R - 1, j + 1], q[R - 1, k], p[R - 1, j], t[R - 1, j], q[R - 1, j])
    for (i = 1; i < R - 1; i++)
      quad(p[i, j], t[i, j], q[i, j], p[i + 1, j], t[i + 1, j], q[i + 1, j],
           p[i + 1, k], t[i + 1, j + 1], q[i + 1, k], p[i, k], t[i, j + 1], q[i, k])
  }
}' > sphere.obj

# A torus lying flat (around the y axis): 24 segments around, 10 around the
# tube, smooth normals.
awk "$lib"'BEGIN {
  head("torus", "blue"); pi = 3.141592653589793; S = 24; T = 10; big = 1; small = 0.35
  for (i = 0; i < S; i++) for (j = 0; j < T; j++) {
    a = 2 * pi * i / S; b = 2 * pi * j / T
    p[i, j] = v((big + small * cos(b)) * cos(a), small * sin(b), (big + small * cos(b)) * sin(a))
    q[i, j] = vn(cos(b) * cos(a), sin(b), cos(b) * sin(a))
  }
  for (i = 0; i <= S; i++) for (j = 0; j <= T; j++) t[i, j] = vt(2 * i / S, j / T)
  for (i = 0; i < S; i++) for (j = 0; j < T; j++) {
    i2 = (i + 1) % S; j2 = (j + 1) % T
    quad(p[i, j], t[i, j], q[i, j], p[i2, j], t[i + 1, j], q[i2, j],
         p[i2, j2], t[i + 1, j + 1], q[i2, j2], p[i, j2], t[i, j + 1], q[i, j2])
  }
}' > torus.obj

# A square pyramid as tall as it is wide, flat faces.
awk "$lib"'BEGIN {
  head("pyramid", "yellow")
  apex = v(0, 0.5, 0)
  a = v(-0.5, -0.5, -0.5); b = v(0.5, -0.5, -0.5); c = v(0.5, -0.5, 0.5); d = v(-0.5, -0.5, 0.5)
  t0 = vt(0, 0); t1 = vt(1, 0); t2 = vt(0.5, 1); t3 = vt(0, 1); t4 = vt(1, 1)
  n0 = vn(0, 0.5, 1); n1 = vn(1, 0.5, 0); n2 = vn(0, 0.5, -1); n3 = vn(-1, 0.5, 0); n4 = vn(0, -1, 0)
  tri(d, t0, n0, c, t1, n0, apex, t2, n0)
  tri(c, t0, n1, b, t1, n1, apex, t2, n1)
  tri(b, t0, n2, a, t1, n2, apex, t2, n2)
  tri(a, t0, n3, d, t1, n3, apex, t2, n3)
  quad(a, t0, n4, b, t1, n4, c, t4, n4, d, t3, n4)
}' > pyramid.obj

# A floor slab, 2 by 2 and 0.02 thick (the model is scaled to a longest side
# of 1 when loaded). Its top is an 8 x 8 grid, so that lights fall off
# smoothly across it, with the tiles texture repeated 4 times each way.
awk "$lib"'BEGIN {
  head("floor", "tiles"); N = 8
  up = vn(0, 1, 0)
  for (i = 0; i <= N; i++) for (j = 0; j <= N; j++) {
    p[i, j] = v(-1 + 2 * i / N, 0, -1 + 2 * j / N); t[i, j] = vt(4 * i / N, 4 * j / N)
  }
  for (i = 0; i < N; i++) for (j = 0; j < N; j++)
    quad(p[i, j], t[i, j], up, p[i, j + 1], t[i, j + 1], up, p[i + 1, j + 1], t[i + 1, j + 1], up,
         p[i + 1, j], t[i + 1, j], up)
  a = v(-1, -0.02, -1); b = v(1, -0.02, -1); c = v(1, -0.02, 1); d = v(-1, -0.02, 1)
  down = vn(0, -1, 0); s = vt(0, 0)
  quad(a, s, down, b, s, down, c, s, down, d, s, down)
  e = vn(0, 0, -1); quad(a, s, e, b, s, e, p[N, 0], s, e, p[0, 0], s, e)
  e = vn(1, 0, 0); quad(b, s, e, c, s, e, p[N, N], s, e, p[N, 0], s, e)
  e = vn(0, 0, 1); quad(c, s, e, d, s, e, p[0, N], s, e, p[N, N], s, e)
  e = vn(-1, 0, 0); quad(d, s, e, a, s, e, p[0, 0], s, e, p[0, N], s, e)
}' > floor.obj

# Textures: 32 x 32 grey levels in the plain PGM format.
awk 'BEGIN {
  print "P2\n# checker, written by make-models.sh\n32 32\n255"
  for (y = 0; y < 32; y++) { line = ""; for (x = 0; x < 32; x++) line = line (int(x / 8) % 2 == int(y / 8) % 2 ? 255 : 140) (x < 31 ? " " : ""); print line }
}' > checker.pgm
awk 'BEGIN {
  print "P2\n# tiles, written by make-models.sh\n32 32\n255"
  for (y = 0; y < 32; y++) { line = ""; for (x = 0; x < 32; x++) line = line (x % 16 < 1 || y % 16 < 1 ? 90 : 235 - 6 * ((int(x / 16) + int(y / 16)) % 2)) (x < 31 ? " " : ""); print line }
}' > tiles.pgm
