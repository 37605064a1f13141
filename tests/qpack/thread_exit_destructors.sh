#!/bin/sh
# thread_exit_destructors.sh NM PROGRAM.exe...: none of the programs (built with their symbols) may link the
# runtime's list of destructors run when a thread ends (what a thread_local object with a destructor brings in).
# The 32-bit Windows runtime may free such objects' storage before it runs their destructors, which then free
# pointers read from freed memory: qpack.exe crashed so at the end of a worker thread, now and then.
set -u
nm=$1
shift
status=0
for program in "$@"; do
    symbols=$("$nm" "$program" 2>/dev/null)
    if [ -z "$symbols" ]; then
        echo "FAILED: $nm reads no symbols in $program (stripped?): nothing to check"
        status=1
        continue
    fi
    if echo "$symbols" | grep -q '__cxa_thread_atexit$'; then
        echo "FAILED: $program links __cxa_thread_atexit: a thread_local object with a destructor; these hold it:"
        echo "$symbols" | sed -n 's/.*__emutls_v\.//p' | grep -v -e '^_ZGV' -e 'get_global' | sort -u
        status=1
    fi
done
exit $status
