#!/usr/bin/env bash
# Fails when an executable or object holds an instruction beyond the x86-64 baseline (SSE3 and later, AVX,
# POPCNT, BMI...) outside the compositor's vector kernels, which are picked at run time by what the CPU
# offers. Anything else built for a newer CPU would fault on an older one before the program could choose.
# Kernel functions are known by their namespace: raster::detail::sse41 (or another variant's, added below).
set -euo pipefail
# The host's objdump reads both the Linux objects and the Windows executables.
kernels='6detail5sse41'
beyond='addsubp[sd]|h(add|sub)p[sd]|lddqu|mov(ddup|shdup|sldup)|fisttp[lsq]?|monitor|mwait'  # SSE3
beyond+='|pshufb|palignr|pabs[bwd]|ph(add|sub)(w|d|sw)|pmaddubsw|pmulhrsw|psign[bwd]'        # SSSE3
beyond+='|blendv?p[sd]|pblend(vb|w)|dpp[sd]|extractps|insertps|movntdqa|mpsadbw|packusdw|pcmpeqq'
beyond+='|pextr[bdq]|pinsr[bdq]|phminposuw|pm(ax|in)(sb|sd|ud|uw)|pmov[sz]x[bwd][wdq]|pmuldq|pmulld'
beyond+='|ptest|round[ps][sd]'                                                               # SSE4.1
beyond+='|pcmp[ei]str[im]|pcmpgtq|crc32[bwlq]?|popcnt|lzcnt|andn|bextr|bls(i|msk|r)|bzhi|mulx|pdep'
beyond+='|pext|rorx|sarx|shlx|shrx|movbe|v(?!err|erw)[a-z0-9]+'                              # 4.2, BMI, AVX

status=0
for file in "$@"; do
  found=$(objdump -d --no-show-raw-insn "$file" | perl -ne '
    BEGIN { $k = shift @ARGV; $b = shift @ARGV }
    if (/^[0-9a-f]+ <(.*)>:$/) { $fn = $1; next }
    next unless /^\s*[0-9a-f]+:\t(?:(?:rep\w*|lock|data16|addr32|bnd|notrack|[c-gs]s)\s+)*(\S+)/;
    my $m = $1;
    next unless $m =~ /^(?:$b)$/o;
    next if $fn =~ /$k/o;
    $seen{"$fn: $m"}++ or print "  $fn: $m\n";
  ' "$kernels" "$beyond" | head -20)
  if [ -n "$found" ]; then
    echo "$file has instructions beyond the x86-64 baseline outside the vector kernels:"
    echo "$found"
    status=1
  else
    echo "$file: only baseline instructions outside the vector kernels"
  fi
done
exit $status
