e0(1).
e0(3).
e0(4).
e1(0,0,1).
e1(0,1,0).
e1(1,4,4).
e1(1,1,1).
e1(2,4,4).
e2(3,1).
e2(1,4).
e2(2,3).
e2(4,0).
s_sb(1,3).
s_sb(0,0).
s_sb(4,4).
isa(3,k2).
isa(0,k2).
cr(k0).
cr(k1).
cr(k2).
cr(k2).
subc(X,Y) :- sub(X,Y).
subc(X,Z) :- sub(X,Y), subc(Y,Z).
member(X,C) :- isa(X,C).
member(X,C) :- isa(X,D), subc(D,C).
#show member/2.
#show subc/2.
p2(V0,0,V0) :- V1 >= V0, s_sb(V0,V1), subc(4,k1).
p2(V2,V1,V1) :- s_sb(V0,V1), V2 >= 0, V2 <= 6, V2 = V0 - 1.
p3(V0) :- V1 >= 0, s_sb(V0,0), subc(V0,k2), p3(V0), V1 = V0 * 1, V1 <= 6.
isa(V0,k0) :- e0(V0), member(V0,k1).
aux1(G1_0,V0) :- e2(V0,G1_0), not s_sb(G1_0,G1_0), e0(V0), V0 < 0.
isa(N1,k0) :- e0(V0), not e2(_,0), aux1(G1_0,_), N1 = #min{AGG : aux1(G1_0,AGG)}.
isa(V0,k0) :- e2(V0,V1), e0(V0).
isa(V1,k1) :- member(V0,k1), not s_sb(V0,V0), V1 = V0 + 2, V1 <= 6, V1 >= 0.
aux2(G2_0,V1) :- s_sb(V0,V1), e0(4), e0(V0), G2_0 = V1 + V0, G2_0 <= 6, G2_0 >= 0.
isa(N2,k1) :- e0(V0), s_sb(V1,V1), V2 = V1 - 2, V2 <= 6, V2 >= 0, aux2(G2_0,_), N2 = #min{AGG : aux2(G2_0,AGG)}, e0(V1).
isa(V0,k2) :- not p2(V1,V0,V0), V2 >= 0, V2 <= 6, member(V0,k2), s_sb(V1,V1), e0(V0), V2 = V1 * 1.
p3(V2) :- not p2(V1,V0,V0), V2 >= 0, V2 <= 6, member(V0,k2), s_sb(V1,V1), e0(V0), V2 = V1 * 1.
sub(k0,k1) :- s_sb(V0,V1), V2 <= 6, e0(V0), V2 >= 0, V2 = V1 * 2, e2(1,V0).
sub(k0,k2) :- member(V0,k1), subc(V0,k0), member(V0,k0), not member(V0,k1), V0 < V0, V1 = V0 * 1, V1 <= 6, V1 >= 0.
p3(V0) :- member(V0,k1), s_sb(V0,1), not s_sb(V0,_), cr(C), member(V0,C).
#show e0/1.
#show e1/3.
#show e2/2.
#show s_sb/2.
#show p2/3.
#show p3/1.
