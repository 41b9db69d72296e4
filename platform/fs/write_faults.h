#pragma once
// A way for tests to make the disk fail where it is hard to make it fail for real: a full disk
// in the middle of a save, a flush that reports an I/O error, a rename that is refused. The file
// writers ask before each step whether it is planned to fail; outside tests nothing is planned
// and the question costs one uncontended lock.
namespace platform::write_faults {

enum class Step { write, flush, rename };

// The `nth` call of `step` from now on (1: the next one) fails with the error number `error`
// (ENOSPC, EIO, ...). Later calls succeed again. One plan per step; a new one replaces it.
void fail(Step step, int nth, int error);
// Drops every plan.
void clear();

// For the writers, just before they do `step`: true (with errno set) when this call must fail.
bool injected(Step step);

}  // namespace platform::write_faults
