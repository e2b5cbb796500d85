// A scene made from a model file, ready to render and to read: the model as
// one object, every surface with the chosen edition's edge shader, that
// edition's tracer, the file's camera or one that frames the model, and the
// file's lights or a key light.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "minihost/assets/asset_records.h"

namespace minihost::cli {

struct AssetSceneOptions {
    std::string edition = "stroke";  // "stroke" or "line"
    std::string camera;              // the file's camera of that name; "" the first, or a framing one
    bool shaders = true;             // false: no edge shaders (the shader utility adds them)
};

// A model file read for a scene of its own: an OBJ file through minihost's
// OBJ reader, any other through the asset reader (assets/asset_reader.h).
// Throws InputError naming the file.
Asset readModel(const std::string &path);

// The module of an edition ("QM_Quillrim_S" for "stroke", "QM_Quillrim_P"
// for "line"); "" for another name.
std::string editionModule(const std::string &edition);

// `meshPath`: the model file as the scene names it. Throws InputError naming
// the model file when --camera names a camera it does not have.
nlohmann::ordered_json sceneOfAsset(const Asset &asset, const std::string &meshPath,
                                    const AssetSceneOptions &options);

}  // namespace minihost::cli
