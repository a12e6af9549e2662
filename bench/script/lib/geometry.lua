-- Helpers for include.lua: small functions of a file of their own, and a
-- count that belongs to this file.
used = 0
function clamp(v, lo, hi)
  used = used + 1
  if v < lo then return lo end
  if v > hi then return hi end
  return v
end
function wrap(v, n) return (v % n + n) % n end
function dist2(x1, y1, x2, y2)
  local dx = x2 - x1
  local dy = y2 - y1
  return dx * dx + dy * dy
end
