"""Checking triangle meshes: the meshaudit command and library from Python."""
