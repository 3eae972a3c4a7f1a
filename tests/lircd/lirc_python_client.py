# LIRC's own Python client (Debian's lirc package) driving a socket: each
# argument is a command, run on one connection; prints one line per reply:
# "ok" or "error", then the reply's data lines, '|' between them.
# Usage: python3 lirc_python_client.py SOCKET 'list' 'keys tv' 'send tv KEY_POWER' ...
import ctypes
import sys
import types

# On Debian 12 `import lirc` fails: No module named '_client', the module's
# C part. A command connection needs only its lirc_init and lirc_deinit,
# which wrap liblirc_client's functions of the same names.
library = ctypes.CDLL("liblirc_client.so.0")
shim = types.ModuleType("_client")
shim.lirc_init = lambda program: library.lirc_init(program.encode(), 0)
shim.lirc_deinit = lambda *_: library.lirc_deinit()
sys.modules["_client"] = shim
sys.modules["lirc._client"] = shim
import lirc  # noqa: E402

socket_path = sys.argv[1]
with lirc.CommandConnection(socket_path=socket_path) as connection:
    for command in sys.argv[2:]:
        words = command.split()
        if words[0] == "version":
            run = lirc.VersionCommand(connection)
        elif words[0] == "list":
            run = lirc.ListRemotesCommand(connection)
        elif words[0] == "keys":
            run = lirc.ListKeysCommand(connection, words[1])
        elif words[0] == "send":
            run = lirc.SendCommand(connection, words[1], words[2:])
        elif words[0] == "start":
            run = lirc.StartRepeatCommand(connection, words[1], words[2])
        else:
            run = lirc.StopRepeatCommand(connection, words[1], words[2])
        reply = run.run(timeout=5)
        print("ok" if reply.success else "error", *reply.data, sep="|")
