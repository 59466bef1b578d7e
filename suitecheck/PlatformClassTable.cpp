// SPDX-License-Identifier: MIT
// The class table: every public class and interface of CLDC 1.0 and 1.1,
// MIDP 1.0 and 2.0 (MIDP 2.1 adds no class) and the common optional
// packages, as their published API lists give them.
#include "suitecheck/PlatformClassTable.h"

namespace vorlan {

namespace {

// Each group: the set, the package, and its classes separated by spaces.
// "Name" extends java/lang/Object (an interface too, as in its class file);
// "Name<Super" extends Super, a class of the same package unless Super holds
// a "/". A class that several sets hold is listed in each of them.
constexpr ClassGroup kGroups[] = {
    {ApiSet::Cldc10, "java/lang/",
     "Object Boolean Byte Character Class Integer Long Short Math Runtime String StringBuffer System Runnable "
     "Thread Throwable Exception<Throwable Error<Throwable VirtualMachineError<Error "
     "OutOfMemoryError<VirtualMachineError RuntimeException<Exception ClassNotFoundException<Exception "
     "IllegalAccessException<Exception InstantiationException<Exception InterruptedException<Exception "
     "ArithmeticException<RuntimeException ArrayStoreException<RuntimeException "
     "ClassCastException<RuntimeException IllegalArgumentException<RuntimeException "
     "IllegalMonitorStateException<RuntimeException IndexOutOfBoundsException<RuntimeException "
     "NegativeArraySizeException<RuntimeException NullPointerException<RuntimeException "
     "SecurityException<RuntimeException IllegalThreadStateException<IllegalArgumentException "
     "NumberFormatException<IllegalArgumentException ArrayIndexOutOfBoundsException<IndexOutOfBoundsException "
     "StringIndexOutOfBoundsException<IndexOutOfBoundsException"},
    {ApiSet::Cldc10, "java/io/",
     "DataInput DataOutput InputStream OutputStream Reader Writer ByteArrayInputStream<InputStream "
     "ByteArrayOutputStream<OutputStream DataInputStream<InputStream DataOutputStream<OutputStream "
     "InputStreamReader<Reader OutputStreamWriter<Writer PrintStream<OutputStream IOException<java/lang/Exception "
     "EOFException<IOException InterruptedIOException<IOException UnsupportedEncodingException<IOException "
     "UTFDataFormatException<IOException"},
    {ApiSet::Cldc10, "java/util/",
     "Calendar Date Enumeration Hashtable Random TimeZone Vector Stack<Vector "
     "EmptyStackException<java/lang/RuntimeException NoSuchElementException<java/lang/RuntimeException"},
    {ApiSet::Cldc10, "javax/microedition/io/",
     "Connection InputConnection OutputConnection StreamConnection ContentConnection StreamConnectionNotifier "
     "DatagramConnection Datagram Connector ConnectionNotFoundException<java/io/IOException"},
    {ApiSet::Cldc11, "java/lang/", "Float Double NoClassDefFoundError<Error"},
    {ApiSet::Cldc11, "java/lang/ref/", "Reference WeakReference<Reference"},

    {ApiSet::Midp10, "java/lang/", "IllegalStateException<RuntimeException"},
    {ApiSet::Midp10, "java/util/", "Timer TimerTask"},
    {ApiSet::Midp10, "javax/microedition/io/", "HttpConnection"},
    {ApiSet::Midp10, "javax/microedition/lcdui/",
     "Choice CommandListener ItemStateListener Displayable Screen<Displayable Canvas<Displayable Alert<Screen "
     "Form<Screen List<Screen TextBox<Screen Item ChoiceGroup<Item DateField<Item Gauge<Item ImageItem<Item "
     "StringItem<Item TextField<Item AlertType Command Display Font Graphics Image Ticker"},
    {ApiSet::Midp10, "javax/microedition/midlet/", "MIDlet MIDletStateChangeException<java/lang/Exception"},
    {ApiSet::Midp10, "javax/microedition/rms/",
     "RecordComparator RecordEnumeration RecordFilter RecordListener RecordStore "
     "RecordStoreException<java/lang/Exception InvalidRecordIDException<RecordStoreException "
     "RecordStoreFullException<RecordStoreException RecordStoreNotFoundException<RecordStoreException "
     "RecordStoreNotOpenException<RecordStoreException"},
    {ApiSet::Midp20, "javax/microedition/io/",
     "CommConnection HttpsConnection PushRegistry SecureConnection SecurityInfo ServerSocketConnection "
     "SocketConnection UDPDatagramConnection"},
    {ApiSet::Midp20, "javax/microedition/lcdui/", "CustomItem<Item ItemCommandListener Spacer<Item"},
    {ApiSet::Midp20, "javax/microedition/lcdui/game/",
     "GameCanvas<javax/microedition/lcdui/Canvas Layer LayerManager Sprite<Layer TiledLayer<Layer"},
    {ApiSet::Midp20, "javax/microedition/media/",
     "Control Controllable Manager MediaException<java/lang/Exception Player PlayerListener"},
    {ApiSet::Midp20, "javax/microedition/media/control/", "ToneControl VolumeControl"},
    {ApiSet::Midp20, "javax/microedition/pki/", "Certificate CertificateException<java/io/IOException"},

    {ApiSet::Jsr75File, "javax/microedition/io/file/",
     "FileConnection FileSystemListener FileSystemRegistry ConnectionClosedException<java/lang/RuntimeException "
     "IllegalModeException<java/lang/RuntimeException"},
    {ApiSet::Jsr75Pim, "javax/microedition/pim/",
     "Contact ContactList Event EventList PIM PIMItem PIMList RepeatRule ToDo ToDoList "
     "PIMException<java/lang/Exception FieldEmptyException<java/lang/RuntimeException "
     "FieldFullException<java/lang/RuntimeException UnsupportedFieldException<java/lang/RuntimeException"},
    {ApiSet::Jsr82Bluetooth, "javax/bluetooth/",
     "DataElement DeviceClass DiscoveryAgent DiscoveryListener L2CAPConnection L2CAPConnectionNotifier "
     "LocalDevice RemoteDevice ServiceRecord UUID BluetoothConnectionException<java/io/IOException "
     "BluetoothStateException<java/io/IOException ServiceRegistrationException<java/io/IOException"},
    {ApiSet::Jsr82Obex, "javax/obex/",
     "Authenticator ClientSession HeaderSet Operation PasswordAuthentication ResponseCodes ServerRequestHandler "
     "SessionNotifier"},
    {ApiSet::Jsr120, "javax/wireless/messaging/",
     "Message BinaryMessage MessageConnection MessageListener TextMessage"},
    {ApiSet::Jsr205, "javax/wireless/messaging/",
     "Message BinaryMessage MessageConnection MessageListener TextMessage MessagePart MultipartMessage "
     "SizeExceededException<java/io/IOException"},
    {ApiSet::Jsr135, "javax/microedition/media/",
     "Control Controllable Manager MediaException<java/lang/Exception Player PlayerListener TimeBase"},
    {ApiSet::Jsr135, "javax/microedition/media/control/",
     "ToneControl VolumeControl FramePositioningControl GUIControl MetaDataControl MIDIControl PitchControl "
     "RateControl RecordControl StopTimeControl TempoControl VideoControl"},
    {ApiSet::Jsr135, "javax/microedition/media/protocol/", "ContentDescriptor DataSource SourceStream"},
    {ApiSet::Jsr172, "javax/microedition/xml/rpc/",
     "Type ComplexType<Type Element<Type FaultDetailHandler Operation FaultDetailException<java/lang/Exception"},
    {ApiSet::Jsr172, "javax/xml/namespace/", "QName"},
    {ApiSet::Jsr172, "javax/xml/rpc/", "NamespaceConstants Stub JAXRPCException<java/lang/RuntimeException"},
    {ApiSet::Jsr172, "javax/xml/parsers/",
     "SAXParser SAXParserFactory FactoryConfigurationError<java/lang/Error "
     "ParserConfigurationException<java/lang/Exception"},
    {ApiSet::Jsr172, "org/xml/sax/",
     "Attributes InputSource Locator SAXException<java/lang/Exception SAXNotRecognizedException<SAXException "
     "SAXNotSupportedException<SAXException SAXParseException<SAXException"},
    {ApiSet::Jsr172, "org/xml/sax/helpers/", "DefaultHandler"},
    {ApiSet::Jsr172, "java/rmi/",
     "Remote RemoteException<java/io/IOException MarshalException<RemoteException ServerException<RemoteException"},
    {ApiSet::Jsr177, "java/rmi/", "Remote RemoteException<java/io/IOException"},
    {ApiSet::Jsr177, "javax/microedition/apdu/", "APDUConnection"},
    {ApiSet::Jsr177, "javax/microedition/jcrmi/", "JavaCardRMIConnection RemoteRef RemoteStub"},
    {ApiSet::Jsr177, "javacard/framework/",
     "CardException<java/lang/Exception UserException<CardException CardRuntimeException<java/lang/RuntimeException "
     "APDUException<CardRuntimeException ISOException<CardRuntimeException PINException<CardRuntimeException "
     "SystemException<CardRuntimeException TransactionException<CardRuntimeException"},
    {ApiSet::Jsr177, "javacard/framework/service/", "ServiceException<javacard/framework/CardRuntimeException"},
    {ApiSet::Jsr177, "javacard/security/", "CryptoException<javacard/framework/CardRuntimeException"},
    {ApiSet::Jsr177, "javax/microedition/pki/",
     "UserCredentialManager UserCredentialManagerException<java/lang/Exception"},
    {ApiSet::Jsr177, "javax/microedition/securityservice/",
     "CMSMessageSignatureService CMSMessageSignatureServiceException<java/lang/Exception"},
    {ApiSet::Jsr177, "java/security/",
     "Key PublicKey KeyFactory MessageDigest Signature GeneralSecurityException<java/lang/Exception "
     "DigestException<GeneralSecurityException InvalidAlgorithmParameterException<GeneralSecurityException "
     "KeyException<GeneralSecurityException InvalidKeyException<KeyException "
     "NoSuchAlgorithmException<GeneralSecurityException SignatureException<GeneralSecurityException"},
    {ApiSet::Jsr177, "java/security/spec/",
     "AlgorithmParameterSpec KeySpec EncodedKeySpec X509EncodedKeySpec<EncodedKeySpec "
     "InvalidKeySpecException<java/security/GeneralSecurityException"},
    {ApiSet::Jsr177, "javax/crypto/",
     "Cipher BadPaddingException<java/security/GeneralSecurityException "
     "IllegalBlockSizeException<java/security/GeneralSecurityException "
     "NoSuchPaddingException<java/security/GeneralSecurityException "
     "ShortBufferException<java/security/GeneralSecurityException"},
    {ApiSet::Jsr177, "javax/crypto/spec/", "IvParameterSpec SecretKeySpec"},
    {ApiSet::Jsr179, "javax/microedition/location/",
     "AddressInfo Coordinates QualifiedCoordinates<Coordinates Criteria Landmark LandmarkStore Location "
     "LocationListener LocationProvider Orientation ProximityListener LandmarkException<java/lang/Exception "
     "LocationException<java/lang/Exception"},
    {ApiSet::Jsr184, "javax/microedition/m3g/",
     "Graphics3D Loader RayIntersection Transform Object3D Transformable<Object3D Node<Transformable "
     "Camera<Node Group<Node World<Group Light<Node Mesh<Node MorphingMesh<Mesh SkinnedMesh<Mesh Sprite3D<Node "
     "Texture2D<Transformable AnimationController<Object3D AnimationTrack<Object3D Appearance<Object3D "
     "Background<Object3D CompositingMode<Object3D Fog<Object3D Image2D<Object3D IndexBuffer<Object3D "
     "TriangleStripArray<IndexBuffer KeyframeSequence<Object3D Material<Object3D PolygonMode<Object3D "
     "VertexArray<Object3D VertexBuffer<Object3D"},
    {ApiSet::Jsr226, "javax/microedition/m2g/",
     "ExternalResourceHandler SVGAnimator SVGEventListener ScalableGraphics ScalableImage SVGImage<ScalableImage"},
    {ApiSet::Jsr226, "org/w3c/dom/", "Document Element Node DOMException<java/lang/RuntimeException"},
    {ApiSet::Jsr226, "org/w3c/dom/events/", "Event EventListener EventTarget"},
    {ApiSet::Jsr226, "org/w3c/dom/svg/",
     "SVGAnimationElement SVGElement SVGLocatableElement SVGMatrix SVGPath SVGPoint SVGRGBColor SVGRect "
     "SVGSVGElement SVGException<java/lang/RuntimeException"},
    {ApiSet::Jsr234, "javax/microedition/amms/",
     "EffectModule GlobalManager MediaProcessor MediaProcessorListener Module SoundSource3D Spectator"},
    {ApiSet::Jsr234, "javax/microedition/amms/control/",
     "AudioFormatControl ContainerFormatControl EffectControl EffectOrderControl FormatControl ImageFormatControl "
     "MIDIChannelControl PanControl PriorityControl VideoFormatControl"},
    {ApiSet::Jsr234, "javax/microedition/amms/control/audio3d/",
     "CommitControl DirectivityControl DistanceAttenuationControl DopplerControl LocationControl "
     "MacroscopicControl OrientationControl"},
    {ApiSet::Jsr234, "javax/microedition/amms/control/audioeffect/",
     "AudioVirtualizerControl ChorusControl EqualizerControl ReverbControl ReverbSourceControl"},
    {ApiSet::Jsr234, "javax/microedition/amms/control/camera/",
     "CameraControl ExposureControl FlashControl FocusControl SnapshotControl ZoomControl"},
    {ApiSet::Jsr234, "javax/microedition/amms/control/imageeffect/",
     "ImageEffectControl ImageTonalityControl ImageTransformControl OverlayControl WhiteBalanceControl"},
    {ApiSet::Jsr234, "javax/microedition/amms/control/tuner/", "RDSControl TunerControl"},
    {ApiSet::Jsr256, "javax/microedition/sensor/",
     "ChannelInfo Condition ConditionListener Data DataListener LimitCondition MeasurementRange ObjectCondition "
     "RangeCondition SensorConnection SensorInfo SensorListener SensorManager Unit"},
    {ApiSet::Jsr256, "javax/microedition/sensor/control/",
     "Control MeasurementRangeControl SampleRateControl StartControl StopControl"},
};

}  // namespace

std::span<const ClassGroup> ClassGroups() {
    return kGroups;
}

}  // namespace vorlan
