# Sourced by the capture scripts: writes the machine's identity as .snapshot/uname expects it
# (docs/machine-snapshots.md), one name=value line per field of uname.
write_uname() {
  {
    echo "sysname=$(uname -s)"
    echo "nodename=$(uname -n)"
    echo "release=$(uname -r)"
    echo "version=$(uname -v)"
    echo "machine=$(uname -m)"
  } >"$1"
}
