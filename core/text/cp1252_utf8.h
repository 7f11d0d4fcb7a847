// SPDX-License-Identifier: MIT
#pragma once

// The converters behind WriteCp1252AsUtf8Until (core/text/cp1252.h), which picks
// the fastest the processor runs. Both are declared here so that the tests
// can hold each of them to the same results.

// Portable: ASCII is copied eight bytes at a time, other bytes one by one.
const char* WriteCp1252AsUtf8Portable(const char* from, const char* end, char stop, char*& to);
const char* WriteCp1252AsUtf8PortableToBreak(const char* from, const char* end, char*& to);

// Whether this processor runs WriteCp1252AsUtf8Vector.
bool HasVectorCp1252ToUtf8();
// Sixteen bytes at a time, with SSSE3 instructions (x86-64 only); call it
// only when HasVectorCp1252ToUtf8() is true.
const char* WriteCp1252AsUtf8Vector(const char* from, const char* end, char stop, char*& to);
const char* WriteCp1252AsUtf8VectorToBreak(const char* from, const char* end, char*& to);
