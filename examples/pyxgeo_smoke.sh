#!/bin/sh
# Smoke test of pyxgeo on the shipped data: create, import, query, export.
# Arguments: the pyxgeo program and the examples/data folder.
set -eu
PYXGEO="$1"
DATA="$2"
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT
DB="$TMP/zones"
fail() { echo "pyxgeo smoke: $*" >&2; exit 1; }

"$PYXGEO" create "$DB" "Time zones" >/dev/null
"$PYXGEO" import "$DB" "$DATA/zones.csv" | grep -q "imported 312 items" || fail "CSV import"
"$PYXGEO" import "$DB" "$DATA/regions.geojson" | grep -q "imported 3 items" || fail "GeoJSON import"
"$PYXGEO" find "$DB" Europe/Vienna | grep -q "^[0-9]*,Town,Europe/Vienna,48.2" || fail "find by name"
"$PYXGEO" find "$DB" "Zürich" | grep -q ",Town,Zürich," || fail "find UTF-8 name"
[ "$("$PYXGEO" find "$DB" europe/ prefix | wc -l)" -gt 30 ] || fail "find by prefix"
"$PYXGEO" area "$DB" 47 49 15 18 | grep -q "Europe/Vienna" || fail "area"
"$PYXGEO" area "$DB" 47 49 15 18 River | grep -q "^[0-9]*,River,Danube" || fail "area by kind"
ID="$("$PYXGEO" find "$DB" "Lake Constance" | cut -d, -f1)"
[ "$("$PYXGEO" get "$DB" "$ID" | wc -l)" -eq 5 ] || fail "get with points"
! "$PYXGEO" get "$DB" 99999 2>/dev/null || fail "missing item found"
"$PYXGEO" export "$DB" "$TMP/out.geojson"
"$PYXGEO" export "$DB" "$TMP/out.csv"
"$PYXGEO" create "$TMP/again" >/dev/null
"$PYXGEO" import "$TMP/again" "$TMP/out.geojson" | grep -q "imported 315 items" || fail "GeoJSON round trip"
"$PYXGEO" import "$TMP/again" "$TMP/out.csv" | grep -q "imported 315 items" || fail "CSV round trip"
"$PYXGEO" info "$TMP/again" | grep -q "entries: 630" || fail "info"
! "$PYXGEO" import "$DB" "$TMP/missing.csv" 2>/dev/null || fail "missing file accepted"
echo "pyxgeo smoke: ok"
