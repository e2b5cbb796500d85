// The servers' names as the host sees them: the module name, a colon and the
// server's role. The edition records and the descriptors' server tables both
// spell them from here.
#pragma once

namespace qr {

// QM_Quillrim_S, the stroke edition.
inline constexpr char kStrokeShaderServer[] = "QM_Quillrim_S:Shader";
inline constexpr char kTraceStep1Server[] = "QM_Quillrim_S:TraceStep1";
inline constexpr char kTraceStep2Server[] = "QM_Quillrim_S:TraceStep2";
inline constexpr char kStrokeShaderUtilServer[] = "QM_Quillrim_S:ShaderUtil";

// QM_Quillrim_P, the line edition.
inline constexpr char kLineShaderServer[] = "QM_Quillrim_P:Shader";
inline constexpr char kLineTracerServer[] = "QM_Quillrim_P:Tracer";
inline constexpr char kLineShaderUtilServer[] = "QM_Quillrim_P:ShaderUtil";

}  // namespace qr
