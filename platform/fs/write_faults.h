#pragma once
// A way for tests to make the disk fail where it is hard to make it fail for real: a full disk
// in the middle of a save, a flush that reports an I/O error, a rename that is refused; and to
// let another program write at exactly one moment of a save. The file writers ask before each
// step whether it is planned to fail; outside tests nothing is planned and the question costs
// one uncontended lock.
#include <functional>

namespace platform::write_faults {

enum class Step { write, flush, rename };

// The `nth` call of `step` from now on (1: the next one) fails with the error number `error`
// (ENOSPC, EIO, ...). Later calls succeed again. One plan per step; a new one replaces it.
void fail(Step step, int nth, int error);
// Runs `action` just before every later `step` (before its planned failure, if any).
void before(Step step, std::function<void()> action);
// Drops every plan and action.
void clear();

// For the writers, just before they do `step`: runs its action, then true (with errno set) when
// this call must fail.
bool injected(Step step);

}  // namespace platform::write_faults
