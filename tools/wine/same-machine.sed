# The header of report and check as both builds print it of the same machine: what the
# machine is called (a folder or an image natively, "this machine" on Windows) and the
# profile (Wine keeps its own user) aside.
s/^machine  .*: Windows/machine  Windows/
/^profile  /d
