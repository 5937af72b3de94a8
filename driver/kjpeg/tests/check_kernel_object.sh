#!/usr/bin/env bash
# Fails when the decoder's archive imports anything the kernel does not
# export to it (only memset, memcpy and memmove) or holds writable data.
#   check_kernel_object.sh NM OBJDUMP ARCHIVE
set -euo pipefail
nm="$1"; objdump="$2"; archive="$3"
defined="$("$nm" --defined-only "$archive" | awk 'NF == 3 { print $3 }' | sort -u)"
undefined="$("$nm" -u "$archive" | awk 'NF == 2 { print $2 }' | sort -u)"
imports="$(comm -23 <(printf '%s\n' "$undefined") <(printf '%s\n' "$defined") | grep -v '^$' || true)"
unexpected="$(printf '%s\n' "$imports" | grep -v -x -E 'memset|memcpy|memmove' || true)"
# Writable sections with contents: .data, .bss and their kin.
writable="$("$objdump" -h "$archive" | awk '$2 ~ /^\.(data|bss|tls)/ && $3 !~ /^0+$/ { print $2 " " $3 }')"
status=0
if [ -n "$unexpected" ]; then
  echo "imports beyond the kernel's memory routines:"; printf '  %s\n' $unexpected; status=1
fi
if [ -n "$writable" ]; then
  echo "writable data:"; printf '  %s\n' "$writable"; status=1
fi
[ $status -eq 0 ] && echo "kernel object: imports" $imports "; no writable data"
exit $status
