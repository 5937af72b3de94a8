#include "telvane/TypeRegistry.h"

#include "telvane/Commands.h"
#include "telvane/Shapes.h"

#include <map>
#include <mutex>
#include <new>

namespace Telvane {

namespace {

struct Registry {
    std::mutex lock;
    std::map<std::string, ObjectFactory> factories;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

template <class T>
Object* make()
{
    return new (std::nothrow) T();
}

template <class T>
void addType()
{
    T prototype;
    TypeRegistry::add(prototype.typeName(), &make<T>);
}

}  // namespace

void TypeRegistry::add(const std::string& name, ObjectFactory factory)
{
    Registry& r = registry();
    std::lock_guard<std::mutex> hold(r.lock);
    r.factories[name] = factory;
}

Object* TypeRegistry::create(const std::string& name)
{
    ObjectFactory factory = nullptr;
    {
        Registry& r = registry();
        std::lock_guard<std::mutex> hold(r.lock);
        auto found = r.factories.find(name);
        if (found != r.factories.end()) factory = found->second;
    }
    return factory ? factory() : nullptr;
}

void registerTypes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        addType<Color>();
        addType<Point>();
        addType<RectGraphic>();
        addType<Ellipse>();
        addType<RectEraser>();
        addType<Path>();
        addType<ImageGraphic>();
        addType<QueryMulticastAddressCmd>();
        addType<QueryCapabilityCmd>();
        addType<QueryCapabilityCmdV2>();
        addType<DocCamCmd>();
        addType<AnnotationCmd>();
        addType<EraseAllAnnotationCmd>();
        addType<SnapshotCmd>();
        addType<HighQualitySnapshotCmd>();
    });
}

Object* decodeMessage(const void* data, uint32_t length)
{
    BinaryDecoder decoder(data, length);
    return decoder.readObject();
}

}  // namespace Telvane
