#!/usr/bin/env bash
# Checks that the catalog of exported names, the prototypes of the public header and the
# symbols the shared library really exports agree, and prints the coverage.
# Usage: check_exports.sh LIBRUXI_SO RUXI_H CATALOG_TSV
set -euo pipefail
lib=$1 header=$2 catalog=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

nm -D --defined-only "$lib" | awk '{print $NF}' | sed 's/@.*//' | LC_ALL=C sort -u > "$tmp/exports"
grep -oE '\bruxi[A-Za-z0-9_]+[[:space:]]*\(' "$header" | sed -E 's/[[:space:]]*\($//' | LC_ALL=C sort -u > "$tmp/protos"
tail -n +2 "$catalog" | cut -f1 | LC_ALL=C sort -u > "$tmp/catalog"

status=0
total=$(wc -l < "$tmp/catalog")
if [ "$total" -ne 3597 ]; then echo "catalog lists $total names, not 3597"; status=1; fi
if grep -v '^ruxi' "$tmp/exports" > "$tmp/foreign"; then
  echo "exports outside the ruxi namespace:"; cat "$tmp/foreign"; status=1
fi
if LC_ALL=C comm -23 "$tmp/exports" "$tmp/catalog" | grep . > "$tmp/extra"; then
  echo "exported but not in the catalog:"; cat "$tmp/extra"; status=1
fi
if LC_ALL=C comm -23 "$tmp/protos" "$tmp/exports" | grep . > "$tmp/unexported"; then
  echo "declared in the header but not exported:"; cat "$tmp/unexported"; status=1
fi
if LC_ALL=C comm -13 "$tmp/protos" "$tmp/exports" | grep . > "$tmp/undeclared"; then
  echo "exported without a prototype in the header:"; cat "$tmp/undeclared"; status=1
fi
echo "exported $(wc -l < "$tmp/exports") of 3597"
exit $status
