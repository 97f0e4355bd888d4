# The compiled core. Its functions take arrays already converted by the
# package (C-ordered float64 (N, 3) points, uint32 (M, 3) triangles).
import numpy as np

__version__: str  # "MAJOR.MINOR.PATCH" of include/meshaudit.h
CATEGORIES: tuple[str, ...]  # the report's sections: "points", ..., "solid", "quality"

class ReadError(ValueError): ...

def read(path: bytes) -> dict: ...
def check(points: np.ndarray, triangles: np.ndarray, profile: str, settings_document: str | None,
          settings_file: str | None, where: bool, max_items: int, progress: bool, memory_limit: int,
          file: bytes,
          format: str, notes: list[str], object_id: str, object_name: str, faces: list[int], parts: list[int]
          ) -> tuple[str, dict[str, tuple[np.ndarray, int]]]: ...
def merge_points(points: np.ndarray, triangles: np.ndarray, tolerance: float
                 ) -> tuple[np.ndarray, np.ndarray, np.ndarray]: ...
def drop_invalid(triangles: np.ndarray) -> tuple[np.ndarray, np.ndarray]: ...
def repair(points: np.ndarray, triangles: np.ndarray, steps: int, tolerance: float, min_shell_triangles: int,
           min_shell_size: float, drop_inner_shells: bool) -> tuple[np.ndarray, np.ndarray, np.ndarray, np.ndarray, str]: ...
