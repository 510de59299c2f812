#pragma once

// On x87 a float result may stay wider than 32 bits in a register, which turns 13 / 5 into
// an exact 2.6 and its key into 26. Passing the value through memory rounds it to the
// single-precision value the run's arithmetic is defined on.
inline float StoredFloat(float fValue)
{
    volatile float fStored = fValue;
    return fStored;
}
