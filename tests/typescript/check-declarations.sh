#!/bin/sh
# Checks the page library's declarations with the TypeScript compiler:
#   check-declarations.sh TSC DECLARATIONS DATA_DIR
# DATA_DIR/page.ts must compile under --strict; every line
# of DATA_DIR/misuse.ts that ends in "// error TSnnnn" must give exactly that one error, and
# no other line any.
set -u
absolute() {
    case $1 in
    /*) echo "$1" ;;
    *) echo "$PWD/$1" ;;
    esac
}
tsc=$(absolute "$1") declarations=$(absolute "$2") data=$(absolute "$3")

if [ ! -x "$tsc" ]; then
    echo "FAIL: the TypeScript compiler is missing ($tsc); run scripts/install-deps.sh"
    exit 1
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tessel-tsc.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
compile() {
    (cd "$scratch" && "$tsc" --noEmit --strict --pretty false --target es2017 --lib es2017,dom \
        "$declarations" "$1")
}

failed=0
if compile "$data/page.ts" > "$scratch/page.out" 2>&1; then
    echo "PASS: page.ts compiles"
else
    echo "FAIL: page.ts does not compile:"
    cat "$scratch/page.out"
    failed=1
fi

compile "$data/misuse.ts" > "$scratch/misuse.out" 2>&1
grep -n '// error TS[0-9]*$' "$data/misuse.ts" \
    | sed 's|^\([0-9]*\):.*// error \(TS[0-9]*\)$|\1 \2|' > "$scratch/expected"
sed -n 's|^.*misuse\.ts(\([0-9]*\),[0-9]*): error \(TS[0-9]*\):.*$|\1 \2|p' "$scratch/misuse.out" \
    > "$scratch/actual"
if [ ! -s "$scratch/expected" ]; then
    echo "FAIL: misuse.ts marks no expected error"
    failed=1
elif diff "$scratch/expected" "$scratch/actual" > "$scratch/diff"; then
    echo "PASS: misuse.ts gives the $(wc -l < "$scratch/expected") expected errors"
else
    echo "FAIL: misuse.ts errors differ ('<' expected, '>' given, as line and code):"
    cat "$scratch/diff"
    echo "compiler output:"
    cat "$scratch/misuse.out"
    failed=1
fi
exit $failed
