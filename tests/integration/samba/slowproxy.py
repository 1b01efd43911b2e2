#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A TCP proxy that holds every chunk DELAY seconds in each direction, as a
slow link would (these kernels have no netem).

    slowproxy.py LISTEN_ADDRESS PORT TARGET_ADDRESS PORT DELAY PIDFILE
"""
import asyncio
import os
import sys


async def pump(reader, writer, delay):
    queue = asyncio.Queue()
    loop = asyncio.get_running_loop()

    async def deliver():
        while True:
            due, data = await queue.get()
            wait = due - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            if not data:
                break
            writer.write(data)
            await writer.drain()
        writer.close()

    sender = asyncio.create_task(deliver())
    try:
        while True:
            data = await reader.read(65536)
            await queue.put((loop.time() + delay, data))
            if not data:
                break
    except (ConnectionError, OSError):
        await queue.put((loop.time(), b""))
    try:
        await sender
    except (ConnectionError, OSError):
        pass


async def main():
    listen, port, target, target_port, delay, pidfile = sys.argv[1:7]
    delay = float(delay)

    async def handle(client_reader, client_writer):
        try:
            server_reader, server_writer = await asyncio.open_connection(target, int(target_port))
        except OSError:
            client_writer.close()
            return
        await asyncio.gather(pump(client_reader, server_writer, delay),
                             pump(server_reader, client_writer, delay))

    server = await asyncio.start_server(handle, listen, int(port))
    with open(pidfile, "w") as out:
        out.write(str(os.getpid()))
    async with server:
        await server.serve_forever()


asyncio.run(main())
