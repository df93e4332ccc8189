# Sourced: kernel_runs_32bit tells whether this machine's kernel runs 32-bit x86 programs,
# which 32-bit Wine needs. It writes a 93-byte static i386 program that only exits (the ELF
# header, one program header, `mov eax,1; xor ebx,ebx; int 0x80`) and runs it; some virtual
# machines' kernels refuse such programs ("Exec format error").
kernel_runs_32bit() {
  local probe
  probe=$(mktemp) || return 1
  printf '%b' \
    '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
    '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
    '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' \
    '\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00' \
    '\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' > "$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null
  local rc=$?
  rm -f "$probe"
  return $rc
}
