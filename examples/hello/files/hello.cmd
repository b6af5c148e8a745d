@echo off
rem Hello World: the whole program.
echo Hello, world!
pause
