# SPDX-License-Identifier: BSD-3-Clause
"""The tally the check scripts keep: every check, and what each failed one checked."""


class Checks:
    def __init__(self):
        self.count = 0
        self.failures = []

    def __call__(self, ok, what):
        self.count += 1
        if not ok:
            self.failures.append(what)
            print("FAIL:", what)
