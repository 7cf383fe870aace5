// The support script every JsonObject engine starts with.
#include "script/JsonSupport.h"
#include "text/Strings.h"

namespace qx::detail {

const std::u16string& jsonSupportScript() {
    static const std::u16string script =
        // Array length, 0 for anything that is not an array.
        u"function get__count(c){var obj=Object.prototype.toString.call(c);if(obj=='[object Array]'){return "
        u"c.length}else{return 0}}\n"
        // The non-function member names joined by CR LF.
        u"function get__name_All(a){var obj=Object.prototype.toString.call(a);if(obj=='[object Object]'){var "
        u"ary=new Array();for(var key in a){if(typeof a[key]!=='function'){ary.push(key)}}return "
        u"ary.join('\\r\\n')}else{return''}}\n"
        // Merges source into target: arrays are appended to, members replaced or merged in depth.
        uR"js(function get__extend(target,source){
if(Object.prototype.toString.call(target)=='[object Array]'){
 if(source!==null&&source!==undefined){for(var i=0;i<source.length;i++){target.push(source[i])}}
 return target}
if(source===null||typeof source!=='object'){return target}
for(var key in source){
 if(!Object.prototype.hasOwnProperty.call(source,key)){continue}
 var t=typeof target[key],s=source[key];
 if(t=='string'||t=='boolean'||t=='undefined'||t=='number'){target[key]=s}
 else if(t=='object'){
  if(target[key]!==null&&s!==null&&typeof s==='object'){target[key]=get__extend(target[key],s)}else{target[key]=s}}
}
return target}
function get__nodeValue(o,deep){
var t=Object.prototype.toString.call(o);
if(t!='[object Object]'&&t!='[object Array]'){return}
for(var k in o){
 if(!Object.prototype.hasOwnProperty.call(o,k)){continue}
 var v=o[k];if(typeof v==='function'){continue}
 var vt=Object.prototype.toString.call(v);
 if(vt=='[object Object]'||vt=='[object Array]'){if(deep){get__nodeValue(v,deep)}}
 else{str_all.push(v===null||v===undefined?'':String(v).replace(str_reg,'\\'))}}}
if(typeof JSON!=='object'||JSON===null){JSON={}}
(function(){
'use strict';
function f(n){return n<10?'0'+n:n}
if(typeof Date.prototype.toJSON!=='function'){
 Date.prototype.toJSON=function(){return isFinite(this.valueOf())?this.getUTCFullYear()+'-'+f(this.getUTCMonth()+1)+'-'+
  f(this.getUTCDate())+'T'+f(this.getUTCHours())+':'+f(this.getUTCMinutes())+':'+f(this.getUTCSeconds())+'Z':null}}
if(typeof String.prototype.toJSON!=='function'){String.prototype.toJSON=function(){return this.valueOf()}}
if(typeof Number.prototype.toJSON!=='function'){Number.prototype.toJSON=function(){return this.valueOf()}}
if(typeof Boolean.prototype.toJSON!=='function'){Boolean.prototype.toJSON=function(){return this.valueOf()}}
var cx=/[\u0000\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g,
 esc=/[\\\"\x00-\x1f\x7f-\x9f\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g,
 gap,indent,rep,meta={'\b':'\\b','\t':'\\t','\n':'\\n','\f':'\\f','\r':'\\r','"':'\\"','\\':'\\\\'};
function quote(s){esc.lastIndex=0;return esc.test(s)?'"'+s.replace(esc,function(a){var c=meta[a];
 return typeof c==='string'?c:'\\u'+('0000'+a.charCodeAt(0).toString(16)).slice(-4)})+'"':'"'+s+'"'}
function str(key,holder){var i,k,v,length,mind=gap,partial,value=holder[key];
 if(value&&typeof value==='object'&&typeof value.toJSON==='function'){value=value.toJSON(key)}
 if(typeof rep==='function'){value=rep.call(holder,key,value)}
 switch(typeof value){
 case'string':return quote(value);
 case'number':return isFinite(value)?String(value):'null';
 case'boolean':case'null':return String(value);
 case'object':if(!value){return'null'}
  gap+=indent;partial=[];
  if(Object.prototype.toString.apply(value)==='[object Array]'){length=value.length;
   for(i=0;i<length;i+=1){partial[i]=str(i,value)||'null'}
   v=partial.length===0?'[]':gap?'[\n'+gap+partial.join(',\n'+gap)+'\n'+mind+']':'['+partial.join(',')+']';
   gap=mind;return v}
  if(rep&&typeof rep==='object'){length=rep.length;for(i=0;i<length;i+=1){if(typeof rep[i]==='string'){k=rep[i];
   v=str(k,value);if(v){partial.push(quote(k)+(gap?': ':':')+v)}}}}
  else{for(k in value){if(Object.prototype.hasOwnProperty.call(value,k)){v=str(k,value);
   if(v){partial.push(quote(k)+(gap?': ':':')+v)}}}}
  v=partial.length===0?'{}':gap?'{\n'+gap+partial.join(',\n'+gap)+'\n'+mind+'}':'{'+partial.join(',')+'}';
  gap=mind;return v}}
if(typeof JSON.stringify!=='function'){
 JSON.stringify=function(value,replacer,space){var i;gap='';indent='';
  if(typeof space==='number'){for(i=0;i<space;i+=1){indent+=' '}}else if(typeof space==='string'){indent=space}
  rep=replacer;
  if(replacer&&typeof replacer!=='function'&&(typeof replacer!=='object'||typeof replacer.length!=='number')){
   throw new Error('JSON.stringify')}
  return str('',{'':value})}}
if(typeof JSON.parse!=='function'){
 JSON.parse=function(text,reviver){var j;
  function walk(holder,key){var k,v,value=holder[key];
   if(value&&typeof value==='object'){for(k in value){if(Object.prototype.hasOwnProperty.call(value,k)){
    v=walk(value,k);if(v!==undefined){value[k]=v}else{delete value[k]}}}}
   return reviver.call(holder,key,value)}
  text=String(text);cx.lastIndex=0;
  if(cx.test(text)){text=text.replace(cx,function(a){return'\\u'+('0000'+a.charCodeAt(0).toString(16)).slice(-4)})}
  if(/^[\],:{}\s]*$/.test(text.replace(/\\(?:["\\\/bfnrt]|u[0-9a-fA-F]{4})/g,'@')
   .replace(/"[^"\\\n\r]*"|true|false|null|-?\d+(?:\.\d*)?(?:[eE][+\-]?\d+)?/g,']')
   .replace(/(?:^|:|,)(?:\s*\[)+/g,''))){
   j=eval('('+text+')');
   return typeof reviver==='function'?walk({'':j},''):j}
  throw new SyntaxError('JSON.parse')}}
}());
Object.defineProperty(Object.prototype,'toJSONString',{value:function(filter,space){return JSON.stringify(this,filter,space)},
 writable:true,configurable:true,enumerable:false});
Object.defineProperty(Object.prototype,'parseJSON',{value:function(filter){return JSON.parse(String(this),filter)},
 writable:true,configurable:true,enumerable:false});
)js";
    return script;
}

}  // namespace qx::detail
