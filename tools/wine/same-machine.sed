# The header of report and check as both builds print it of the same machine: what the
# machine is called (a folder or an image natively, "this machine" on Windows) and the
# profile (Wine keeps its own user) aside.
s/^machine  .*: Windows/machine  Windows/
/^profile  /d
# What detection reads, shown by check APP of an application not installed, comes with the
# native build's machine-folder guide; the Windows build leaves it out.
/^detection looks at:$/,/^[^ ]/{
  /^detection looks at:$/d
  /^ /d
}
