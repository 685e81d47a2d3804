#!/usr/bin/env bash
# Succeeds when this machine can run 32-bit Linux programs, and so the 32-bit
# Wine loader. Some virtual machines' kernels cannot (no IA-32 emulation):
# there every 32-bit program, Wine's loader among them, fails with
# "Exec format error".
/usr/lib/wine/wine --version >/dev/null 2>&1
