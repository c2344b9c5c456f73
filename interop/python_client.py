"""A paramiko or asyncssh client for the interoperability run.

python3 python_client.py paramiko|asyncssh HOST PORT USER PASSWORD_FILE

Logs in with the password, opens a shell without a pty and relays standard
input to it and its output to standard output until either side ends; exits
with the shell's exit status (255 when none came). The host key is new in
every run, so there is nothing to verify it against.
"""
import asyncio
import os
import sys
import threading


def paramiko_shell(host, port, user, password):
    import paramiko

    client = paramiko.SSHClient()
    client.set_missing_host_key_policy(paramiko.AutoAddPolicy())
    client.connect(host, port, user, password, timeout=10, look_for_keys=False,
                   allow_agent=False)
    channel = client.get_transport().open_session()
    channel.invoke_shell()

    def forward_input():
        while data := os.read(0, 4096):
            channel.sendall(data)
        channel.shutdown_write()

    threading.Thread(target=forward_input, daemon=True).start()
    while data := channel.recv(4096):
        os.write(1, data)
    status = channel.recv_exit_status()
    client.close()
    return status


async def asyncssh_shell(host, port, user, password):
    import asyncssh

    async with asyncssh.connect(host, port, username=user, password=password,
                                known_hosts=None, client_keys=None) as connection:
        shell = await connection.create_process(encoding=None)
        loop = asyncio.get_running_loop()

        async def forward_input():
            while data := await loop.run_in_executor(None, os.read, 0, 4096):
                shell.stdin.write(data)
            shell.stdin.write_eof()

        forwarding = asyncio.ensure_future(forward_input())
        while data := await shell.stdout.read(4096):
            os.write(1, data)
        forwarding.cancel()
        await shell.wait_closed()
        return shell.exit_status


def main():
    library, host, port, user, password_file = sys.argv[1:]
    with open(password_file) as file:
        password = file.readline().rstrip("\n")
    if library == "paramiko":
        status = paramiko_shell(host, int(port), user, password)
    else:
        status = asyncio.run(asyncssh_shell(host, int(port), user, password))
    sys.exit(status if status is not None and 0 <= status < 256 else 255)


if __name__ == "__main__":
    main()
