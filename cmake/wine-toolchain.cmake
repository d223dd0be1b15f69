# SPDX-License-Identifier: LGPL-3.0-or-later
# Builds the system as a Windows DLL with winelib: Wine's compiler drivers, headers and
# libraries, producing ELF modules (quillsift.dll.so) that Wine loads like PE ones.
set(CMAKE_C_COMPILER winegcc)
set(CMAKE_CXX_COMPILER wineg++)
set(QUILLSIFT_WINE ON)
