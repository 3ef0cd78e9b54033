#!/usr/bin/env python3
"""Derives the literal doubles of the core's arithmetic fixtures independently of
the C++ code: every operation is computed exactly with fractions and rounded to
double on its own, in the order the cost and gray formulas fix. It also lists,
for each fixture, which plausible miscompilations or rewrites (one fused step,
another association, another algebraic form) would change its result: together
the fixtures must catch all of them."""
from fractions import Fraction
import math


def rounded(x):
    return float(Fraction(x))            # nearest double, ties to even


def add(a, b): return rounded(Fraction(a) + Fraction(b))
def sub(a, b): return rounded(Fraction(a) - Fraction(b))
def mul(a, b): return rounded(Fraction(a) * Fraction(b))
def div(a, b): return rounded(Fraction(a) / Fraction(b))
def fma(a, b, c): return rounded(Fraction(a) * Fraction(b) + Fraction(c))
def sqrt(a): return math.sqrt(a)        # IEEE square root is correctly rounded


def dot(a, b, how):
    if how == 'fused':
        return fma(a[2], b[2], fma(a[1], b[1], mul(a[0], b[0])))
    if how == 'reversed':
        return add(add(mul(a[2], b[2]), mul(a[1], b[1])), mul(a[0], b[0]))
    return add(add(mul(a[0], b[0]), mul(a[1], b[1])), mul(a[2], b[2]))


VARIANTS = {
    'denom fused': 'denom', 'denom reversed': 'denom',
    'alpha numerator fused': 'num',
    'alpha as numerator times 1/denom': 'recip',
    'blend fused': 'blend', 'residual as (I - B) - alpha * D': 'residual',
    'colourDist sum fused': 'cd', 'colourDist sum reversed': 'cd',
    'distance sums fused': 'dist',
    'w * colourDist + dF / sF fused': 'cost', 'cost summed left to right': 'cost',
}


def pairCost(I, F, B, P, M, Q, sF, sB, w, variant=None):
    how = lambda part: (variant.split()[-1] if variant and VARIANTS[variant] == part else 'exact')
    d = [sub(F[k], B[k]) for k in range(3)]
    denom = dot(d, d, how('denom'))
    if denom == 0.0:
        return 3.4028234663852886e38, 0.0
    x = [sub(I[k], B[k]) for k in range(3)]
    num = dot(x, d, how('num'))
    alpha = mul(num, div(1.0, denom)) if how('recip') != 'exact' else div(num, denom)
    beta = sub(1.0, alpha)
    if how('blend') == 'fused':
        e = [sub(I[k], fma(alpha, F[k], mul(beta, B[k]))) for k in range(3)]
    elif how('residual') != 'exact':
        e = [sub(x[k], mul(alpha, d[k])) for k in range(3)]
    else:
        e = [sub(I[k], add(mul(beta, B[k]), mul(alpha, F[k]))) for k in range(3)]
    colourDist = sqrt(dot(e, e, how('cd')))
    fm, bq = [sub(P[0], M[0]), sub(P[1], M[1])], [sub(P[0], Q[0]), sub(P[1], Q[1])]
    if how('dist') == 'fused':
        dF, dB = sqrt(fma(fm[1], fm[1], mul(fm[0], fm[0]))), sqrt(fma(bq[1], bq[1], mul(bq[0], bq[0])))
    else:
        dF, dB = sqrt(add(mul(fm[0], fm[0]), mul(fm[1], fm[1]))), sqrt(add(mul(bq[0], bq[0]), mul(bq[1], bq[1])))
    if how('cost') == 'fused':
        return add(div(dB, sB), fma(w, colourDist, div(dF, sF))), alpha
    if how('cost') == 'right':
        return add(add(div(dB, sB), mul(w, colourDist)), div(dF, sF)), alpha
    return add(div(dB, sB), add(mul(w, colourDist), div(dF, sF))), alpha


def gray(r, g, b, how='exact'):
    if how == 'fused':
        return fma(0.114, b, fma(0.299, r, mul(0.587, g)))
    if how == 'right grouped':
        return add(mul(0.587, g), add(mul(0.299, r), mul(0.114, b)))
    return add(add(mul(0.587, g), mul(0.299, r)), mul(0.114, b))


costFixtures = [
    ((0.85, 0.49, 0.64), (0.31, 0.22, 0.31), (0.6, 0.35, 0.11), (8, 4), (0, 4), (9, 4), 3.0, 0.7, 2.0),
    ((0.75, 0.01, 0.52), (0.17, 0.74, 0.41), (0.33, 0.27, 0.26), (7, 8), (1, 0), (3, 2), 2.5, 7.0, 3.3),
    ((0.89, 0.97, 0.97), (0.43, 0.16, 0.81), (0.09, 0.12, 0.45), (2, 2), (4, 1), (9, 9), 7.0, 0.7, 1.1),
    ((0.31, 0.05, 0.63), (0.47, 0.13, 0.47), (0.8, 0.59, 1.0), (1.0, 1.9), (4.0, 7.6), (0.3, 4.4), 1.5, 3.0, 3.3),
    ((0.51, 0.67, 0.84), (0.32, 0.83, 0.84), (0.25, 0.73, 0.15), (5.3, 5.2), (0.7, 8.8), (6.1, 6.6), 1.5, 7.0, 0.1),
]

if __name__ == '__main__':
    missed = set(VARIANTS)
    for args in costFixtures:
        want = pairCost(*args)
        caught = [v for v in VARIANTS if pairCost(*args, variant=v) != want]
        missed -= set(caught)
        print('cost %.17g alpha %.17g; changed by: %s' % (want + ('; '.join(caught),)))
    print('changed by no fixture:', ', '.join(sorted(missed)) or 'none')
    rgb = (0.77, 0.27, 0.77)
    print('gray%s %.17g | fused %.17g | right grouped %.17g'
          % (rgb, gray(*rgb), gray(*rgb, 'fused'), gray(*rgb, 'right grouped')))
