#!/usr/bin/env bash
# Makes a release from this clone into dist/: the per-user installer, the portable zip, the winget manifests and
# SHA256SUMS. The version is the project version in CMakeLists.txt. The manifests are the templates in
# packaging/winget/ with @VERSION@, @SHA256@ (the installer's) and @URL@ filled in; @URL@ is where the files will be
# published, $LUMORA_DOWNLOADS (default https://www.quillfen.example/downloads). A step that fails is named and
# ends the run.
set -euo pipefail
cd "$(dirname "$0")/.."
downloads=${LUMORA_DOWNLOADS:-https://www.quillfen.example/downloads}

step="starting"
trap 'echo >&2; echo "release.sh: FAILED while $step." >&2' ERR
begin() { step=$1; printf '\n=== %s\n' "$step"; }
fail() { echo "$*" >&2; false; }

begin "installing the Debian packages (scripts/install-deps.sh)"
scripts/install-deps.sh

begin "configuring the windows preset afresh (cmake --preset windows --fresh)"
cmake --preset windows --fresh >/dev/null

begin "building Lumora.exe, lumo.chm, the installer and the portable zip (cmake --build --preset windows)"
cmake --build --preset windows
version=$(cat build/windows/version.txt)
setup=Lumora-$version-setup.exe
portable=Lumora-$version-portable.zip

begin "checking Lumora.exe: system DLLs only, ASLR and DEP, version $version (scripts/check-imports.sh)"
LUMORA_EXPECTED_VERSION=$version scripts/check-imports.sh build/windows/Lumora.exe

begin "checking the portable zip's contents"
python3 - "build/windows/$portable" <<'PY'
import sys, zipfile
names = sorted(zipfile.ZipFile(sys.argv[1]).namelist())
sys.exit(0 if names == ["Lumora.exe", "README.txt", "lumo.chm"] else f"the zip holds {names}")
PY

begin "installing, upgrading and uninstalling with $setup under Wine (tests/e2e/install.py)"
python3 tests/e2e/run.py -k silent_install

begin "collecting dist/"
rm -rf dist
mkdir -p dist/winget
cp "build/windows/$setup" "build/windows/$portable" dist/
sha=$(sha256sum "dist/$setup" | cut -d' ' -f1)
for template in packaging/winget/*.yaml; do
  sed -e "s|@VERSION@|$version|g" -e "s|@SHA256@|${sha^^}|g" -e "s|@URL@|$downloads|g" "$template" \
    >"dist/winget/$(basename "$template")"
done
! grep -n '@[A-Z0-9]*@' dist/winget/*.yaml || fail "a placeholder of the winget manifests was left unfilled"
(cd dist && sha256sum "$setup" "$portable" winget/*.yaml >SHA256SUMS)

step="done"
echo
echo "Lumora $version is in dist/:"
(cd dist && find . -type f | sort | sed 's|^\./|  |')
