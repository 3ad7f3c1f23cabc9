#!/bin/sh
# Runs a test program in an IPC namespace of its own, where the single-instance lock of the
# runs it starts is its own: an agent running on the same machine (its timer, an
# administrator's run) neither waits for the tests nor makes them wait. Without the right to
# make a namespace (an ordinary user) the program runs as it is.
if unshare --ipc true 2>/dev/null; then exec unshare --ipc "$@"; fi
exec "$@"
