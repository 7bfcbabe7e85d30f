#!/usr/bin/python3
"""The keep-ratio step, modelled with exact rationals: the ratio b / a is a 64-bit double (Python's float,
correctly rounded); the product (width x ratio) or quotient (height / ratio) is formed exactly, rounded to the
64-bit significand of extended precision (to nearest, ties to even), and then to an integer, halves to even.

Prints one line per case of the sweep: "a b side result", where side is the box side the other one follows.
usage: keep_ratio_model.py
"""
import sys
from fractions import Fraction


def round_half_even(numerator, denominator):
    quotient, remainder = divmod(numerator, denominator)
    if 2 * remainder > denominator or (2 * remainder == denominator and quotient % 2 == 1):
        quotient += 1
    return quotient


def to_extended(value):
    """A positive rational rounded to 64 significant bits, to nearest, ties to even."""
    p, q = value.numerator, value.denominator
    shift = 63 - (p.bit_length() - q.bit_length())
    for _ in range(2):  # the estimate is off by at most one
        n, d = (p << shift, q) if shift >= 0 else (p, q << -shift)
        if n < d << 63:
            shift += 1
        elif n >= d << 64:
            shift -= 1
    n, d = (p << shift, q) if shift >= 0 else (p, q << -shift)
    significand = round_half_even(n, d)
    return Fraction(significand, 1 << shift) if shift >= 0 else Fraction(significand << -shift)


def keep_ratio(a, b, side):
    ratio = Fraction(b / a)  # the double b / a, exactly
    exact = Fraction(side) / ratio if b > a else Fraction(side) * ratio
    extended = to_extended(exact)
    return round_half_even(extended.numerator, extended.denominator)


def main():
    out = sys.stdout
    for a in range(1, 1001):
        for b in range(1, 1001, 7):
            for side in (100, 150, 200, 300):
                out.write(f"{a} {b} {side} {keep_ratio(a, b, side)}\n")
            if a != b:
                # and the same sides the other way round
                for side in (100, 150, 200, 300):
                    out.write(f"{b} {a} {side} {keep_ratio(b, a, side)}\n")


if __name__ == "__main__":
    main()
