#pragma once

// A fraction compared in whole numbers, so that a rule gives the same answer at every size and
// on every machine.
struct Ratio
{
    long long numerator = 0;
    long long denominator = 1;

    // value > whole × ratio
    constexpr bool exceededBy(long long value, long long whole) const
    {
        return value * denominator > whole * numerator;
    }
    // value >= whole × ratio
    constexpr bool reachedBy(long long value, long long whole) const
    {
        return value * denominator >= whole * numerator;
    }
    // whole × ratio, rounded toward zero
    constexpr long long of(long long whole) const { return whole * numerator / denominator; }
};
