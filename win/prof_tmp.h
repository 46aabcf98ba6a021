#pragma once
#include <windows.h>
#include <cstdio>
namespace prof {
inline double now() { LARGE_INTEGER t, f; QueryPerformanceCounter(&t); QueryPerformanceFrequency(&f); return t.QuadPart * 1000.0 / f.QuadPart; }
struct Acc { const char* name; double total = 0; int n = 0; ~Acc(){ if (n) fprintf(stderr, "%-28s %8.3f ms/open (%d)\n", name, total / n, n);} };
struct Scope { Acc& a; double t0; Scope(Acc& a):a(a),t0(now()){} ~Scope(){ a.total += now()-t0; a.n++; } };
}
#define PROF(name) static prof::Acc acc_##name{#name}; prof::Scope scope_##name(acc_##name)
