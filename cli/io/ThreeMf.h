// Names a 3MF package uses, shared by its reader and writer.
#pragma once

namespace meshaudit::cli {

inline constexpr char kThreeMfModelPart[] = "3D/3dmodel.model";
// The relationship type that names the model part.
inline constexpr char kThreeMfModelType[] = "http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel";
inline constexpr char kThreeMfCoreNamespace[] = "http://schemas.microsoft.com/3dmanufacturing/core/2015/02";

}  // namespace meshaudit::cli
