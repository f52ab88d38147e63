#pragma once

// The engine tests replace the global allocation functions, so that a test can count the
// allocations of its thread and make one of them fail with std::bad_alloc (a nothrow
// allocation then returns null).

// Makes the n-th allocation (from 1) that the calling thread makes from now on fail,
// once; 0 makes none fail. Returns how many allocations the thread made since the last call.
long FailNthAllocation(long n);
