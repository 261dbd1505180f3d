// The compiler's one report of an allocation that failed in its tables.
#pragma once

// Writes "Compiler error: out of memory in <operation>" to standard error.
void report_out_of_memory(const char *operation);
